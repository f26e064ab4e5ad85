#pragma once

#include <QApplication>

// The application object. Every event goes through notify, which is the last
// boundary before the event loop: a failure that escaped a handler is shown by the
// default error display there, and the program goes on.
class Application : public QApplication {
    Q_OBJECT
public:
    Application(int& argc, char** argv);

    bool notify(QObject* receiver, QEvent* event) override;
};
