#include "scriptlauncher.h"

#include <tcl.h>

#include <cstdio>
#include <cstring>
#include <vector>

namespace {

// Evaluates a fixed command. Tcl may modify the text it evaluates in place, so
// each one is handed over in a writable copy, never a read-only constant.
int EvalFixed(Tcl_Interp* interp, const char* command)
{
    std::vector<char> text(command, command + std::strlen(command) + 1);
    return Tcl_EvalEx(interp, text.data(), -1, 0);
}

// Evaluates the script file at global level and keeps its own completion code.
// Tcl_EvalFile would turn a top-level "return" into 0 and a top-level "break" or
// "continue" into an error; the caller's exit status must tell them apart, so
// the file is read here and run under "catch", which reports the raw code.
int EvalScriptFile(Tcl_Interp* interp, const char* fileName)
{
    Tcl_Obj* path = Tcl_NewStringObj(fileName, -1);
    Tcl_IncrRefCount(path);
    Tcl_Channel channel = Tcl_FSOpenFileChannel(interp, path, "r", 0);
    if (channel == nullptr) {
        Tcl_DecrRefCount(path);
        return TCL_ERROR;
    }
    // As "source" reads a script: ^Z ends it.
    (void)Tcl_SetChannelOption(interp, channel, "-eofchar", "\32");
    Tcl_Obj* content = Tcl_NewObj();
    Tcl_IncrRefCount(content);
    const int read = Tcl_ReadChars(channel, content, -1, 0);
    (void)Tcl_Close(interp, channel);
    if (read < 0) {
        Tcl_DecrRefCount(content);
        Tcl_DecrRefCount(path);
        return TCL_ERROR;
    }

    // "info script" names the file while it runs, so that a script finds the
    // files beside it.
    Tcl_Obj* setScript[] = {Tcl_NewStringObj("info", -1), Tcl_NewStringObj("script", -1), path};
    (void)Tcl_EvalObjv(interp, 3, setScript, TCL_EVAL_GLOBAL);

    Tcl_Obj* uplevel[] = {Tcl_NewStringObj("uplevel", -1), Tcl_NewStringObj("#0", -1), content};
    Tcl_Obj* body = Tcl_NewListObj(3, uplevel);
    Tcl_Obj* catchCommand[] = {Tcl_NewStringObj("catch", -1), body};
    Tcl_Obj* command = Tcl_NewListObj(2, catchCommand);
    Tcl_IncrRefCount(command);
    int code = TCL_ERROR;
    if (Tcl_EvalObjEx(interp, command, TCL_EVAL_GLOBAL) != TCL_OK
        || Tcl_GetIntFromObj(interp, Tcl_GetObjResult(interp), &code) != TCL_OK)
        code = TCL_ERROR;
    Tcl_DecrRefCount(command);
    Tcl_DecrRefCount(content);
    Tcl_DecrRefCount(path);
    return code;
}

} // namespace

TScriptLauncher::TScriptLauncher()
{
    // The fixed name, not the program's real path: nothing of the Tcl side may
    // depend on where the launcher itself lies.
    Tcl_FindExecutable("ostrane.exe");
}

std::string TScriptLauncher::CommandTail(int argc, const char* const* argv) const
{
    if (argc <= 1)
        return {};
    char* merged = Tcl_Merge(argc - 1, argv + 1);
    std::string tail(merged);
    Tcl_Free(merged);
    return tail;
}

int TScriptLauncher::Run(const std::string& commandTail) const
{
    Tcl_Interp* interp = Tcl_CreateInterp();
    if (interp == nullptr) {
        std::fputs("Ostrane: cannot create interpreter.\n", stderr);
        return NoInterpreter;
    }
    (void)Tcl_Init(interp);

    (void)Tcl_SetVar(interp, "argv", commandTail.c_str(), TCL_GLOBAL_ONLY);

    // A malformed tail leaves Tcl's error text here, which then fails to open.
    char scriptName[ScriptNameSize] = {};
    (void)EvalFixed(interp, "lindex $argv 0");
    const char* first = Tcl_GetStringResult(interp);
    const bool fits = std::strlen(first) < ScriptNameSize;
    if (fits)
        std::strcpy(scriptName, first);

    (void)EvalFixed(interp, "set argv [lreplace $argv 0 0]");
    (void)EvalFixed(interp, "set argc [llength $argv]");

    // A name too long for its area is not cut short: a shortened name could
    // name another file. It fails like a missing file.
    const int code = fits ? EvalScriptFile(interp, scriptName) : TCL_ERROR;

    Tcl_DeleteInterp(interp);
    return code;
}
