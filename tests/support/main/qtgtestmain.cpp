// Entry point of the test programs that drive Qt objects (bridge, browser). One
// QApplication for the whole run, on the offscreen platform unless the caller chose
// another, so that windows can be created, shown and clicked without a display.
#include "dialogs.h"

#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    ::testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    // No person answers here: every dialog is recorded and answered with its first
    // button unless a test installs a responder of its own.
    Dialogs::setResponder([](const Dialogs::Message& m) { return (m.buttons & Dialogs::Ok) ? int(Dialogs::Ok) : m.buttons; });
    return RUN_ALL_TESTS();
}
