#pragma once

#include "dialogs.h"

#include <QDialog>
#include <memory>

namespace Ui {
class Form_MibCompiler;
}

// The MIB Load dialog: lists the core MIB modules and the user MIB modules that the
// Tcl side knows (tnm(mibs:core), tnm(mibs) in the main window's interpreter). The
// application creates it hidden, after the main window, which it reads; nothing in
// the system shows it.
class TForm_MibCompiler : public QDialog {
    Q_OBJECT
public:
    explicit TForm_MibCompiler(QWidget* parent = nullptr);
    ~TForm_MibCompiler() override;

    TForm_MibCompiler(const TForm_MibCompiler&) = delete;
    TForm_MibCompiler& operator=(const TForm_MibCompiler&) = delete;

protected:
    // Escape is Cancel.
    void reject() override;

private:
    void FormCreate();
    void SpeedButton1Click();
    void Button2Click();

    std::unique_ptr<Ui::Form_MibCompiler> ui;
    Dialogs::FileRequest OpenDialog;
};

// The application's MIB Load dialog, set while it exists.
extern TForm_MibCompiler* Form_MibCompiler;
