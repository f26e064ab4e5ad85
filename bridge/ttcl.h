#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

struct Tcl_Interp;

// A non-visual component owning one Tcl interpreter inside the browser process.
// Every bridge component derives from it, so each one placed on a window carries an
// interpreter of its own; state set through one is never seen through another.
//
// Texts cross the Tcl C API as UTF-8. After Tcl_Init the interpreter runs the Tcl
// side's start-up script (share/olvarin/init.tcl beside the executable), which loads
// the MIB/SNMP package and sets KrPath_rc and KrPath_script; like Tcl_Init, its
// status is not examined.
class TTcl : public QObject {
    Q_OBJECT
public:
    explicit TTcl(QObject* owner = nullptr);
    ~TTcl() override;

    TTcl(const TTcl&) = delete;
    TTcl& operator=(const TTcl&) = delete;

    // Evaluates at global level; any completion code but TCL_OK raises
    // ETclEvalException with the interpreter's result as message.
    QString Eval(const QString& script);
    // Eval, then SplitList of the result into list; a result that is no list
    // leaves list as it was and raises nothing.
    void EvalList(const QString& script, QStringList& list);
    // 0 on success (list cleared and refilled); otherwise Tcl's status, list
    // untouched, and the interpreter's result describes the malformed list.
    int SplitList(const QString& text, QStringList& list);
    [[nodiscard]] QString GetResult() const;

    [[nodiscard]] Tcl_Interp* Interp() const { return FInterp; }

    // The scratch list callers pass to SplitList/EvalList when they have none.
    QStringList Elements;

    // How many times this process has told Tcl where its executable is (0 or 1).
    [[nodiscard]] static int ExecutableFoundCount();
    // The start-up script every new interpreter runs after Tcl_Init.
    [[nodiscard]] static QString StartupScript();

private:
    Tcl_Interp* FInterp = nullptr;
};
