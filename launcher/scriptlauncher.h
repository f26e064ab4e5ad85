// TScriptLauncher: runs one Tcl script file in a fresh interpreter, with the
// rest of the command line as the script's argv, and gives back the script's
// Tcl completion code. Used by ostrane's main; writes nothing to any output.
#pragma once

#include <string>

class TScriptLauncher {
public:
    // Exit status when no interpreter can be created.
    static constexpr int NoInterpreter = -1;
    // Room for the script name, terminating zero included.
    static constexpr std::size_t ScriptNameSize = 1024;

    TScriptLauncher();

    // The command tail as one Tcl list: the arguments after the program's own
    // name, each one list element (so a path with blanks stays one element).
    [[nodiscard]] std::string CommandTail(int argc, const char* const* argv) const;

    // Runs the script named by the first element of commandTail with the other
    // elements as argv; returns its completion code (0 ok, 1 error, 2 return,
    // 3 break, 4 continue) or NoInterpreter.
    [[nodiscard]] int Run(const std::string& commandTail) const;
};
