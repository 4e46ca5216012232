// What the frame draws: caption and borders from the border image, each button in the image column
// of its state, the title kept clear of the buttons, rounded top corners, missing images.
#include "frame_fixture.h"

#include <QIcon>
#include <QPixmap>
#include <QTemporaryDir>

using namespace zym;
using namespace zym::frametest;

namespace {

QRect Place(const CSkinBaseDlg& dlg, int index)
{
    const FrameRect r = ButtonPlace(dlg.Skin().buttons[index], FrameRect{0, 0, dlg.width(), dlg.height()},
                                    dlg.MaximisedOffset());
    return QRect(r.x, r.y, r.width, r.height);
}

} // namespace

TEST_F(FrameTest, CaptionAndBordersComeFromTheBorderImage)
{
    const QImage border = SourceImage("border.png");
    const QImage shot = Shot(*dlg);
    ASSERT_EQ(shot.size(), QSize(640, 480));
    struct Case
    {
        QPoint window;
        QPoint image;
    } cases[] = {
        {{300, 15}, {7, 15}},   // stretched caption edge
        {{320, 29}, {7, 29}},   // its last row
        {{3, 15}, {3, 15}},     // left caption corner, drawn at its size
        {{637, 20}, {12, 20}},  // right caption corner
        {{0, 200}, {0, 30}},    // left edge
        {{639, 200}, {13, 30}}, // right edge
        {{320, 479}, {5, 31}},  // bottom edge
        {{0, 479}, {0, 31}},    // bottom-left corner
        {{639, 479}, {13, 31}}, // bottom-right corner
    };
    for (const Case& c : cases)
        EXPECT_EQ(shot.pixel(c.window), border.pixel(c.image))
            << "window " << c.window.x() << "," << c.window.y();
    // The client area is not the frame's to paint.
    EXPECT_NE(shot.pixel(320, 240), border.pixel(7, 15));
    EXPECT_EQ(dlg->ClientArea()->geometry(), QRect(1, 30, 638, 449));
}

TEST_F(FrameTest, ButtonsDrawTheColumnOfTheirState)
{
    const QImage close = SourceImage("menuclose.png");
    const QImage max = SourceImage("menumax.png");
    const QImage min = SourceImage("menumin.png");
    const QColor caption = CaptionColour();
    const QRect closeAt = Place(*dlg, 0);
    const QRect maxAt = Place(*dlg, 1);
    ASSERT_EQ(closeAt, QRect(607, 2, 31, 24));
    ASSERT_EQ(Place(*dlg, 2), QRect(545, 2, 31, 24));

    QImage shot = Shot(*dlg);
    EXPECT_LE(MaxDifference(shot.copy(closeAt), ButtonLook(close, 4, 0, closeAt.size(), caption)), 2);
    EXPECT_LE(MaxDifference(shot.copy(maxAt), ButtonLook(max, 8, 0, maxAt.size(), caption)), 2);
    EXPECT_LE(MaxDifference(shot.copy(Place(*dlg, 2)), ButtonLook(min, 4, 0, maxAt.size(), caption)), 2);
    // The close glyph crosses the button's centre in white; its background is the caption.
    EXPECT_GT(qGray(shot.pixel(closeAt.center())), 200);
    EXPECT_EQ(shot.pixelColor(closeAt.topLeft()), caption);

    Move(*dlg, closeAt.center());
    EXPECT_EQ(dlg->ButtonState(0), kButtonHover);
    shot = Shot(*dlg);
    EXPECT_TRUE(IsRed(shot.pixel(closeAt.topLeft() + QPoint(1, 1)))) << "close hover is red";
    EXPECT_LE(MaxDifference(shot.copy(closeAt), ButtonLook(close, 4, 1, closeAt.size(), caption)), 2);
    EXPECT_EQ(shot.pixelColor(closeAt.topLeft() - QPoint(2, 0)), caption) << "nothing outside the button";
    SaveShot(shot, "frame-normal-close-hover.png");

    Move(*dlg, QPoint(300, 15));
    EXPECT_EQ(dlg->ButtonState(0), kButtonNormal);
    shot = Shot(*dlg);
    EXPECT_EQ(shot.pixelColor(closeAt.topLeft() + QPoint(1, 1)), caption);

    dlg->SetButtonEnabled(kFrameMsgClose, false);
    shot = Shot(*dlg);
    EXPECT_LE(MaxDifference(shot.copy(closeAt), ButtonLook(close, 4, 3, closeAt.size(), caption)), 2);
}

TEST_F(FrameTest, MaximisedWindowDrawsTheRestoreColumns)
{
    const QImage max = SourceImage("menumax.png");
    const QColor caption = CaptionColour();
    dlg->showMaximized();
    Drain();
    ASSERT_TRUE(dlg->isMaximized());
    const QRect maxAt = Place(*dlg, 1);
    Move(*dlg, maxAt.center());
    ASSERT_EQ(dlg->ButtonState(1), kButtonHover);
    const QImage shot = Shot(*dlg);
    EXPECT_LE(MaxDifference(shot.copy(maxAt), ButtonLook(max, 8, 5, maxAt.size(), caption)), 2);
    EXPECT_GT(MaxDifference(shot.copy(maxAt), ButtonLook(max, 8, 1, maxAt.size(), caption)), 50)
        << "the restore glyph differs from the maximise glyph";
    // Maximised, the client area leaves one more pixel on each side.
    EXPECT_EQ(dlg->ClientArea()->geometry(), QRect(2, 30, dlg->width() - 4, dlg->height() - 31));
    SaveShot(shot, "frame-maximised-hover.png");
}

TEST_F(FrameTest, LongTitleIsCutBeforeTheButtons)
{
    const QColor caption = CaptionColour();
    const QImage min = SourceImage("menumin.png");
    dlg->setWindowTitle(QString("A very long window title that goes on ").repeated(6));
    const QImage shot = Shot(*dlg);
    const QRect minAt = Place(*dlg, 2);
    const FrameRect title = TitlePlace(dlg->Skin(), dlg->width(), 0);
    ASSERT_EQ(title.Right(), minAt.left() - 5);

    // Text is drawn in the title area...
    int bright = 0;
    for (int x = title.x; x < title.Right(); ++x)
        for (int y = title.y; y < title.Bottom(); ++y)
            bright += qGray(shot.pixel(x, y)) > 160;
    EXPECT_GT(bright, 100);
    // ...and stops there: the gap before the buttons and the buttons themselves are untouched.
    for (int x = title.Right(); x < minAt.left(); ++x)
        for (int y = 2; y < 28; ++y)
            ASSERT_EQ(shot.pixelColor(x, y), caption) << x << "," << y;
    EXPECT_LE(MaxDifference(shot.copy(minAt), ButtonLook(min, 4, 0, minAt.size(), caption)), 2);
}

TEST_F(FrameTest, IconIsDrawnAtItsPlace)
{
    QPixmap icon(16, 16);
    icon.fill(QColor(0, 200, 0));
    dlg->setWindowIcon(QIcon(icon));
    const QImage shot = Shot(*dlg);
    const FrameRect place = IconPlace(dlg->Skin(), 0);
    ASSERT_EQ(place, (FrameRect{10, 8, 16, 16}));
    EXPECT_EQ(shot.pixelColor(10, 8), QColor(0, 200, 0));
    EXPECT_EQ(shot.pixelColor(25, 23), QColor(0, 200, 0));
    EXPECT_EQ(shot.pixelColor(9, 8), CaptionColour());
    EXPECT_EQ(shot.pixelColor(26, 23), CaptionColour());
}

TEST_F(FrameTest, TitleChangeRepaintsTheCaption)
{
    const FrameRect title = TitlePlace(dlg->Skin(), dlg->width(), 0);
    const QRect area(title.x, title.y, title.width, title.height);
    const QImage before = Shot(*dlg).copy(area);
    dlg->setWindowTitle("Another page");
    EXPECT_TRUE(dlg->FrameMessage(kFrameMsgRepaint));
    const QImage after = Shot(*dlg).copy(area);
    EXPECT_GT(MaxDifference(before, after), 100);
}

TEST_F(FrameTest, TopCornersAreRounded)
{
    const QRegion mask = dlg->mask();
    for (QPoint cut :
         {QPoint(0, 0), QPoint(1, 0), QPoint(0, 1), QPoint(639, 0), QPoint(638, 0), QPoint(639, 1)})
        EXPECT_FALSE(mask.contains(cut)) << cut.x() << "," << cut.y();
    for (QPoint kept :
         {QPoint(2, 0), QPoint(1, 1), QPoint(637, 0), QPoint(638, 1), QPoint(0, 479), QPoint(639, 479)})
        EXPECT_TRUE(mask.contains(kept)) << kept.x() << "," << kept.y();
    dlg->resize(300, 200);
    Drain();
    EXPECT_FALSE(dlg->mask().contains(QPoint(299, 0)));
    EXPECT_TRUE(dlg->mask().contains(QPoint(299, 199)));
}

TEST_F(FrameTest, MissingImagesDrawNothingButTheButtonsStillWork)
{
    QTemporaryDir empty;
    ASSERT_TRUE(empty.isValid());
    const QColor caption = CaptionColour();
    dlg->InitWebFrame(empty.path(), true);
    const QImage shot = Shot(*dlg);
    EXPECT_NE(shot.pixelColor(300, 15), caption);
    EXPECT_FALSE(IsRed(shot.pixel(Place(*dlg, 0).topLeft() + QPoint(1, 1))));

    int clicked = 0;
    QObject::connect(dlg.get(), &CSkinBaseDlg::frameButtonClicked, [&](int m) { clicked = m; });
    Click(*dlg, Place(*dlg, 0).center());
    EXPECT_EQ(clicked, kFrameMsgClose);
    Drain();
    EXPECT_FALSE(dlg->isVisible()) << "the invisible close button still closes the window";
}

TEST_F(FrameTest, LoginFrameHasItsOwnImagesAndOneCloseButton)
{
    dlg->InitLoginFrame(SourceFolder());
    dlg->setWindowTitle("Log in");
    ASSERT_EQ(dlg->Skin().buttons.size(), 1u);
    const QImage border = SourceImage("loginborder.png");
    const QImage close = SourceImage("loginmenuclose.png");
    QImage shot = Shot(*dlg);
    EXPECT_EQ(shot.pixel(300, 15), border.pixel(7, 15));
    EXPECT_NE(shot.pixel(300, 15), SourceImage("border.png").pixel(7, 15));
    const QRect closeAt = Place(*dlg, 0);
    ASSERT_EQ(closeAt, QRect(612, 10, 16, 16));
    Move(*dlg, closeAt.center());
    shot = Shot(*dlg);
    EXPECT_LE(
        MaxDifference(shot.copy(closeAt), ButtonLook(close, 4, 1, closeAt.size(), border.pixelColor(7, 15))),
        2);
    // Where a web window has its maximise and minimise buttons there is only caption.
    EXPECT_EQ(shot.pixel(560, 14), border.pixel(7, 15));
    SaveShot(shot, "frame-login-hover.png");
}

TEST_F(FrameTest, UnskinnedWindowLeavesEverythingToTheDesktop)
{
    dlg->SetSkinned(false);
    Drain();
    EXPECT_FALSE(dlg->windowFlags().testFlag(Qt::FramelessWindowHint));
    EXPECT_EQ(dlg->ClientArea()->geometry(), dlg->rect());
    EXPECT_TRUE(dlg->mask().isEmpty());
    const QImage shot = Shot(*dlg);
    EXPECT_NE(shot.pixelColor(300, 15), CaptionColour());
    dlg->SetSkinned(true);
    Drain();
    EXPECT_EQ(dlg->ClientArea()->geometry(), QRect(1, 30, 638, 449));
}
