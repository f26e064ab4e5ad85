#pragma once

#include "ui_mibselection.h"

#include <QDialog>

// The MIB Load dialog: created hidden at start-up, after the main window.
class TForm_MibCompiler : public QDialog, public Ui::TForm_MibCompiler {
    Q_OBJECT
public:
    explicit TForm_MibCompiler(QWidget* parent = nullptr);
    ~TForm_MibCompiler() override;
};

// The application's MIB Load dialog, set while it exists.
extern TForm_MibCompiler* Form_MibCompiler;
