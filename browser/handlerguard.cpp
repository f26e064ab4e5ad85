#include "handlerguard.h"

#include "dialogs.h"
#include "exception.h"

QString HandlerGuard::messageOf(const std::exception& failure)
{
    if (const auto* own = dynamic_cast<const Exception*>(&failure))
        return own->Message();
    return QString::fromLocal8Bit(failure.what());
}

void HandlerGuard::showCurrentException() noexcept
{
    try {
        throw;
    } catch (const std::exception& failure) {
        try {
            Dialogs::defaultErrorDisplay(messageOf(failure));
        } catch (...) { // a failing display must not take the program down
        }
    } catch (...) {
        try {
            Dialogs::defaultErrorDisplay(QStringLiteral("Unknown error"));
        } catch (...) {
        }
    }
}

bool HandlerGuard::run(const std::function<void()>& handler) noexcept
{
    try {
        handler();
        return true;
    } catch (...) {
        showCurrentException();
        return false;
    }
}
