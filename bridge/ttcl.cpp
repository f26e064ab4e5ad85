#include "ttcl.h"

#include "etclevalexception.h"

#include <QFileInfo>
#include <tcl.h>

namespace {

bool ExecutableFound = false;
int ExecutableFoundTimes = 0;

QString executablePath()
{
    return QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
}

} // namespace

TTcl::TTcl(QObject* owner)
    : QObject(owner)
{
    if (!ExecutableFound) {
        const QByteArray exe = executablePath().toUtf8();
        Tcl_FindExecutable(exe.constData());
        ExecutableFound = true;
        ++ExecutableFoundTimes;
    }
    FInterp = Tcl_CreateInterp();
    if (FInterp == nullptr)
        throw Exception(QStringLiteral("Tcl_CreateInterp failed"));
    (void)Tcl_Init(FInterp);

    const QString startup = StartupScript();
    if (!startup.isEmpty()) {
        const QByteArray path = startup.toUtf8();
        (void)Tcl_EvalFile(FInterp, path.constData());
        Tcl_ResetResult(FInterp);
    }
}

TTcl::~TTcl()
{
    Elements.clear();
    if (FInterp != nullptr)
        Tcl_DeleteInterp(FInterp);
}

QString TTcl::Eval(const QString& script)
{
    // The one private copy of the script: UTF-8, zero-terminated.
    const QByteArray buffer = script.toUtf8();
    // Without this, Tcl 8.6 turns a top-level break or continue into an error of its
    // own wording; the caller is to see the code's own result instead.
    Tcl_AllowExceptions(FInterp);
    const int code = Tcl_EvalEx(FInterp, buffer.constData(), buffer.size(), TCL_EVAL_GLOBAL);
    if (code != TCL_OK)
        throw ETclEvalException(GetResult());
    return GetResult();
}

void TTcl::EvalList(const QString& script, QStringList& list)
{
    const QString text = Eval(script);
    (void)SplitList(text, list);
}

int TTcl::SplitList(const QString& text, QStringList& list)
{
    const QByteArray bytes = text.toUtf8();
    int count = 0;
    const char** elements = nullptr;
    const int status = Tcl_SplitList(FInterp, bytes.constData(), &count, &elements);
    if (status != TCL_OK)
        return status;
    list.clear();
    list.reserve(static_cast<qsizetype>(count));
    for (int i = 0; i < count; ++i)
        list.append(QString::fromUtf8(elements[i]));
    Tcl_Free(reinterpret_cast<char*>(elements));
    return status;
}

QString TTcl::GetResult() const
{
    return QString::fromUtf8(Tcl_GetStringResult(FInterp));
}

int TTcl::ExecutableFoundCount()
{
    return ExecutableFoundTimes;
}

QString TTcl::StartupScript()
{
    const QFileInfo exe(executablePath());
    const QFileInfo script(exe.absolutePath() + QStringLiteral("/../share/olvarin/init.tcl"));
    return script.exists() ? script.canonicalFilePath() : QString();
}
