#include "application.h"

#include "handlerguard.h"

Application::Application(int& argc, char** argv)
    : QApplication(argc, argv)
{
}

bool Application::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        HandlerGuard::showCurrentException();
    }
    return false;
}
