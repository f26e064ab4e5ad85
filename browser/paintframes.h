#pragma once

#include <QBasicTimer>
#include <QElapsedTimer>
#include <QObject>

class QWidget;

// Paces the repainting of a view that changes once per reply of the agent. Replies
// come at the agent's pace, thousands a second on a fast one, and each change of an
// item view (an appended row, a grown grid) repaints the whole view and its scroll
// bars: the changes are made at once, but shown at most once a frame. The first
// change after a quiet spell is shown at once; those that follow it within a frame
// keep the view's painting held back until the frame's end, which paints everything
// changed meanwhile, so the last change always shows. The owner's other per-reply
// displays (a status text) follow the same frames through FrameEnded.
class TPaintFrames : public QObject {
    Q_OBJECT
public:
    // view: the widget whose painting is paced; it owns this object.
    explicit TPaintFrames(QWidget* view);

    // A display change is due: true when it waits for the end of the current frame
    // (then FrameEnded follows), false when it is to be shown now.
    [[nodiscard]] bool Defer();
    // Ends the current frame now, if one is running: everything held back shows.
    void Flush();
    // True while a frame holds the painting back.
    [[nodiscard]] bool Holding() const { return FFrame.isActive(); }

signals:
    void FrameEnded();

protected:
    void timerEvent(QTimerEvent* event) override;

private:
    QWidget* FView = nullptr;
    QBasicTimer FFrame;
    QElapsedTimer FLastShown;
};
