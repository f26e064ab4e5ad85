#include "txtclbase.h"

TXTclBase::TXTclBase(QObject* owner)
    : TTcl(owner)
{
}
