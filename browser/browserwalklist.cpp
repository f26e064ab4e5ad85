#include "browserwalklist.h"

#include "paintframes.h"

TWalkList::TWalkList(QWidget* parent)
    : QTreeWidget(parent)
    , FFrames(new TPaintFrames(this))
{
    // Connected first: the layout is complete before anyone else hears of the frame.
    connect(FFrames, &TPaintFrames::FrameEnded, this, [this] {
        if (FLayoutDue) {
            FLayoutDue = false;
            QTreeWidget::doItemsLayout();
        }
    });
}

void TWalkList::doItemsLayout()
{
    if (FFrames->Holding()) {
        FLayoutDue = true;
        return;
    }
    FLayoutDue = false;
    QTreeWidget::doItemsLayout();
}
