#include "terminationrequest.h"

#include <QCoreApplication>
#include <QEvent>

namespace {
bool pending = false;
}

void TerminationRequest::Post()
{
    pending = true;
    // A posted Quit event reaches the loop once it runs, even when posted before exec().
    if (QCoreApplication::instance() != nullptr)
        QCoreApplication::postEvent(QCoreApplication::instance(), new QEvent(QEvent::Quit));
}

bool TerminationRequest::Pending()
{
    return pending;
}

void TerminationRequest::Reset()
{
    pending = false;
}
