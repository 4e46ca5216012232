// How the frame answers the pointer: button clicks post their messages, hover follows the pointer
// (also into the content), the caption drags and double-clicks, resizable windows size by their edges.
#include "frame_fixture.h"

#include <vector>

using namespace zym;
using namespace zym::frametest;

namespace {

QPoint ButtonCentre(const CSkinBaseDlg& dlg, int index)
{
    const FrameRect r = ButtonPlace(dlg.Skin().buttons[index], FrameRect{0, 0, dlg.width(), dlg.height()}, 0);
    return QPoint(r.x + r.width / 2, r.y + r.height / 2);
}

void DoubleClick(CSkinBaseDlg& dlg, QPoint p)
{
    Click(dlg, p);
    SendToWindow(dlg, QEvent::MouseButtonDblClick, p, Qt::LeftButton, Qt::LeftButton);
    Release(dlg, p);
}

// Counts the mouse presses that reach the content.
class PressCounter : public QObject
{
public:
    int presses = 0;

protected:
    bool eventFilter(QObject*, QEvent* e) override
    {
        presses += e->type() == QEvent::MouseButtonPress;
        return false;
    }
};

} // namespace

TEST_F(FrameTest, ButtonsPostTheirMessages)
{
    std::vector<int> clicked;
    QObject::connect(dlg.get(), &CSkinBaseDlg::frameButtonClicked, [&](int m) { clicked.push_back(m); });

    Click(*dlg, ButtonCentre(*dlg, 1));
    EXPECT_TRUE(dlg->isMaximized());
    Click(*dlg, ButtonCentre(*dlg, 1));
    EXPECT_FALSE(dlg->isMaximized()) << "the same button restores";
    Click(*dlg, ButtonCentre(*dlg, 2));
    EXPECT_TRUE(dlg->isMinimized());
    EXPECT_EQ(clicked, (std::vector<int>{kFrameMsgMaximise, kFrameMsgMaximise, kFrameMsgMinimise}));

    dlg->showNormal();
    Drain();
    Click(*dlg, ButtonCentre(*dlg, 0));
    EXPECT_EQ(clicked.back(), kFrameMsgClose);
    EXPECT_FALSE(dlg->isVisible());
}

TEST_F(FrameTest, ClickResetsTheHoverAndDisabledButtonsIgnoreClicks)
{
    int clicked = 0;
    QObject::connect(dlg.get(), &CSkinBaseDlg::frameButtonClicked, [&](int m) { clicked = m; });
    dlg->SetButtonEnabled(kFrameMsgMinimise, false);
    Move(*dlg, ButtonCentre(*dlg, 2));
    EXPECT_EQ(dlg->ButtonState(2), kButtonDisabled);
    Click(*dlg, ButtonCentre(*dlg, 2));
    EXPECT_EQ(clicked, 0);
    EXPECT_FALSE(dlg->isMinimized());

    dlg->SetButtonEnabled(kFrameMsgMinimise, true);
    EXPECT_EQ(dlg->ButtonState(2), kButtonNormal);
    Move(*dlg, ButtonCentre(*dlg, 1));
    EXPECT_EQ(dlg->ButtonState(1), kButtonHover);
    Press(*dlg, ButtonCentre(*dlg, 1));
    EXPECT_EQ(dlg->ButtonState(1), kButtonNormal);
    EXPECT_EQ(clicked, kFrameMsgMaximise);
}

TEST_F(FrameTest, HoverEndsWhenThePointerGoesIntoTheContentOrAway)
{
    Move(*dlg, ButtonCentre(*dlg, 0));
    ASSERT_EQ(dlg->ButtonState(0), kButtonHover);
    Move(*dlg, QPoint(600, 100)); // straight into the content, never over the caption
    EXPECT_EQ(dlg->ButtonState(0), kButtonNormal);

    Move(*dlg, ButtonCentre(*dlg, 2));
    ASSERT_EQ(dlg->ButtonState(2), kButtonHover);
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(dlg->windowHandle(), &leave);
    EXPECT_EQ(dlg->ButtonState(2), kButtonNormal);
}

TEST_F(FrameTest, CloseHookReplacesClosing)
{
    dlg->InitLoginFrame(SourceFolder());
    int asked = 0;
    dlg->SetCloseButtonHook([&] { ++asked; });
    Click(*dlg, ButtonCentre(*dlg, 0));
    EXPECT_EQ(asked, 1);
    EXPECT_TRUE(dlg->isVisible());
    DoubleClick(*dlg, QPoint(300, 15));
    EXPECT_FALSE(dlg->isMaximized()) << "the login window has no maximise box";
}

TEST_F(FrameTest, FrameMessagesByNumber)
{
    EXPECT_TRUE(dlg->FrameMessage(kFrameMsgNothing));
    EXPECT_TRUE(dlg->FrameMessage(kFrameMsgRepaint));
    EXPECT_FALSE(dlg->FrameMessage(2028));
    EXPECT_FALSE(dlg->FrameMessage(0));
    dlg->PostFrameMessage(kFrameMsgMaximise);
    EXPECT_FALSE(dlg->isMaximized()) << "posted, not yet handled";
    Drain();
    EXPECT_TRUE(dlg->isMaximized());
    dlg->PostFrameMessage(kFrameMsgClose);
    dlg.reset(); // a message still queued for a window that is gone is dropped
    Drain();
}

TEST_F(FrameTest, DoubleClickOnCaptionMaximisesButNotOnAButton)
{
    DoubleClick(*dlg, QPoint(300, 15));
    EXPECT_TRUE(dlg->isMaximized());
    DoubleClick(*dlg, QPoint(300, 15));
    EXPECT_FALSE(dlg->isMaximized());

    // On a button the first click acts and the second does nothing: no second action, no maximising.
    int closes = 0;
    dlg->SetCloseButtonHook([&] { ++closes; });
    DoubleClick(*dlg, ButtonCentre(*dlg, 0));
    EXPECT_EQ(closes, 1);
    EXPECT_FALSE(dlg->isMaximized());
}

TEST_F(FrameTest, CaptionDragsTheWindow)
{
    const QPoint before = dlg->pos();
    Press(*dlg, QPoint(300, 15));
    Move(*dlg, QPoint(340, 40), Qt::LeftButton);
    Release(*dlg, QPoint(340, 40));
    EXPECT_EQ(dlg->pos(), before + QPoint(40, 25));

    // Pressing the content does not move the window.
    const QPoint after = dlg->pos();
    Press(*dlg, QPoint(300, 200));
    Move(*dlg, QPoint(350, 260), Qt::LeftButton);
    Release(*dlg, QPoint(350, 260));
    EXPECT_EQ(dlg->pos(), after);
}

TEST_F(FrameTest, ResizableWindowSizesByItsEdges)
{
    dlg->setMinimumSize(600, 400);
    const QRect start = dlg->geometry();

    // The one-pixel border itself.
    Press(*dlg, QPoint(639, 200));
    Move(*dlg, QPoint(669, 200), Qt::LeftButton);
    Release(*dlg, QPoint(669, 200));
    EXPECT_EQ(dlg->geometry(), start.adjusted(0, 0, 30, 0));

    // The sizing zone reaches a few pixels into the content, which never sees that press.
    PressCounter counter;
    dlg->ClientArea()->installEventFilter(&counter);
    const QRect wider = dlg->geometry();
    Press(*dlg, QPoint(dlg->width() - 3, dlg->height() - 3));
    Move(*dlg, QPoint(dlg->width() + 7, dlg->height() + 17), Qt::LeftButton);
    Release(*dlg, QPoint(dlg->width(), dlg->height()));
    EXPECT_EQ(dlg->geometry(), wider.adjusted(0, 0, 10, 20));
    EXPECT_EQ(counter.presses, 0);
    Press(*dlg, QPoint(300, 200));
    Release(*dlg, QPoint(300, 200));
    EXPECT_EQ(counter.presses, 1) << "away from the edges the content gets its presses";

    // Dragging the left edge past the minimum stops at it and keeps the right edge.
    const QRect now = dlg->geometry();
    Press(*dlg, QPoint(0, 200));
    Move(*dlg, QPoint(300, 200), Qt::LeftButton);
    Release(*dlg, QPoint(300, 200));
    EXPECT_EQ(dlg->geometry(), QRect(now.right() - 599, now.y(), 600, now.height()));
}

TEST_F(FrameTest, FixedWindowDoesNotSize)
{
    dlg->InitWebFrame(SourceFolder(), false);
    ASSERT_EQ(dlg->Skin().buttons.size(), 2u);
    const QRect start = dlg->geometry();
    Press(*dlg, QPoint(639, 200));
    Move(*dlg, QPoint(669, 200), Qt::LeftButton);
    Release(*dlg, QPoint(669, 200));
    EXPECT_EQ(dlg->geometry(), start);
    DoubleClick(*dlg, QPoint(300, 15));
    EXPECT_FALSE(dlg->isMaximized());
    // Its minimise button sits where the maximise button would be.
    int clicked = 0;
    QObject::connect(dlg.get(), &CSkinBaseDlg::frameButtonClicked, [&](int m) { clicked = m; });
    Click(*dlg, QPoint(640 - 64 + 15, 14));
    EXPECT_EQ(clicked, kFrameMsgMinimise);
}
