#pragma once

#include <QTreeWidget>

class TPaintFrames;

// The walk window's list: rows are added once per reply, and both its painting and
// the relayout of its rows are paced to frames (TPaintFrames). An appended row makes
// the view lay out every row it holds again, up to a thousand; while a frame holds
// the painting back, that layout waits for the frame's end, where it runs once for
// every row added meanwhile. In between, the view's layout lists only rows that are
// still in the list (those it knew at the last layout; none after a purge), so
// whatever consults it (a click, a key) meets a row that exists.
class TWalkList : public QTreeWidget {
    Q_OBJECT
public:
    explicit TWalkList(QWidget* parent = nullptr);

    [[nodiscard]] TPaintFrames* Frames() const { return FFrames; }

    void doItemsLayout() override;

private:
    TPaintFrames* FFrames = nullptr;
    bool FLayoutDue = false;
};
