// ostrane: runs a Tcl script file with arguments and ends with the script's Tcl
// completion code (0 ok, 1 error, 2 return, 3 break, 4 continue), or -1 when no
// interpreter can be created. Host process of the browser's Tcl slave:
//   ostrane <script file> <arguments>...
#include "scriptlauncher.h"

int main(int argc, char** argv)
{
    const TScriptLauncher launcher;
    const std::string tail = launcher.CommandTail(argc, argv);
    return launcher.Run(tail);
}
