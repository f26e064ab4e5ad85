#include "mibselection.h"

TForm_MibCompiler* Form_MibCompiler = nullptr;

TForm_MibCompiler::TForm_MibCompiler(QWidget* parent)
    : QDialog(parent)
{
    Form_MibCompiler = this;
    setupUi(this);
}

TForm_MibCompiler::~TForm_MibCompiler()
{
    if (Form_MibCompiler == this)
        Form_MibCompiler = nullptr;
}
