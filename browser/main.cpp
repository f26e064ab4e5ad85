// Olvarin, the MIB browser: program entry.
#include "application.h"
#include "programentry.h"

int main(int argc, char** argv)
{
    Application app(argc, argv);
    ProgramEntry entry;
    if (!entry.Start(QCoreApplication::arguments()))
        return 1;
    return entry.Run();
}
