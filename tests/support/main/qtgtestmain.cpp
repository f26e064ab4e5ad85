// Entry point of the test programs that drive Qt objects (bridge, browser). One
// QApplication for the whole run, on the offscreen platform unless the caller chose
// another, so that windows can be created, shown and clicked without a display.
#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    ::testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
