#pragma once

#include <QByteArray>
#include <QString>
#include <exception>

// The general error of the system: a message and nothing else. Every failure that
// the bridge or a window raises is one of these (or derives from it); the message is
// what the user finally reads, so its text is part of the behaviour.
class Exception : public std::exception {
public:
    explicit Exception(const QString& message);

    [[nodiscard]] const QString& Message() const noexcept { return FMessage; }
    [[nodiscard]] const char* what() const noexcept override { return FWhat.constData(); }

private:
    QString FMessage;
    QByteArray FWhat;
};
