#include "paintframes.h"

#include <QTimerEvent>
#include <QWidget>

namespace {

// About 25 frames a second: fast enough to watch, rare enough to cost little.
constexpr qint64 FrameMilliseconds = 100;

} // namespace

TPaintFrames::TPaintFrames(QWidget* view)
    : QObject(view)
    , FView(view)
{
}

bool TPaintFrames::Defer()
{
    if (FFrame.isActive())
        return true;
    if (!FLastShown.isValid() || FLastShown.elapsed() >= FrameMilliseconds) {
        FLastShown.start();
        return false;
    }
    FView->setUpdatesEnabled(false);
    FFrame.start(static_cast<int>(qMax<qint64>(0, FrameMilliseconds - FLastShown.elapsed())), this);
    return true;
}

void TPaintFrames::Flush()
{
    if (!FFrame.isActive())
        return;
    FFrame.stop();
    FLastShown.start();
    // Enabling the updates repaints the whole view once.
    FView->setUpdatesEnabled(true);
    emit FrameEnded();
}

void TPaintFrames::timerEvent(QTimerEvent* event)
{
    if (event->timerId() == FFrame.timerId()) {
        Flush();
        return;
    }
    QObject::timerEvent(event);
}
