// The progress dialog and the clash question drawn offscreen from the shipped language files
// (English and simplified Chinese) and from a skin with its own colours.
#include "shell/ui/copy_dlg.h"
#include "shell/ui/copy_message.h"
#include "test_paths.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QKeyEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <atomic>
#include <fstream>
#include <gtest/gtest.h>
#include <ostream>
#include <thread>

using namespace zym;

namespace {

void Drain()
{
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents();
}

QImage Shot(QWidget& w)
{
    Drain();
    return w.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

// Writes a screenshot when ZYM_DIALOG_SHOT_DIR names a folder; for looking, not for checks.
void SaveShot(const QImage& image, const std::string& name)
{
    if (const char* dir = std::getenv("ZYM_DIALOG_SHOT_DIR")) {
        image.save(QDir(QString::fromUtf8(dir)).filePath(QString::fromStdString(name)));
    }
}

int CountNot(const QImage& image, const QRect& area, QRgb colour)
{
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            n += (image.pixel(x, y) & 0xFFFFFF) != (colour & 0xFFFFFF) ? 1 : 0;
        }
    }
    return n;
}

struct Language
{
    const char* file;
    const char* name;
};

// Test names show the case, not its bytes.
void PrintTo(const Language& c, std::ostream* os)
{
    *os << c.name;
}
const Language kLanguages[] = {{"default-en.xml", "en"}, {"default-chs.xml", "chs"}};

class NativeDialogs : public testing::TestWithParam<Language>
{
protected:
    void SetUp() override
    {
        language = std::make_unique<LanguageDocument>(zymtest::SourceDir());
        ASSERT_TRUE(language->Load((zymtest::SourceDir() + "/language/") + GetParam().file));
    }
    std::string Prompt(const char* word) const { return language->String("prompt", word); }
    std::unique_ptr<LanguageDocument> language;
};

TEST_P(NativeDialogs, ClashQuestionLayoutTextsAndIcons)
{
    const QImage fileicon(QString::fromStdString(language->Image("copymessage", "fileicon")));
    ASSERT_FALSE(fileicon.isNull());
    for (bool folder : {false, true}) {
        CCopyMessage question(*language, "photo.jpg", folder, true);
        question.show();
        const QImage shot = Shot(question);
        SaveShot(shot,
                 std::string("copymessage-") + GetParam().name + (folder ? "-folder" : "-file") + ".png");
        ASSERT_EQ(shot.size(), QSize(language->Width("copymessage"), language->Height("copymessage")));
        EXPECT_EQ(question.windowTitle().toStdString(), language->String("copymessage", "window"));
        EXPECT_EQ(question.ReplaceButton()->text().toStdString(), language->String("copymessage", "replace"));
        EXPECT_EQ(question.KeepBothButton()->text().toStdString(),
                  language->String("copymessage", "savemore"));
        EXPECT_EQ(question.CloseButton()->text().toStdString(), language->String("copymessage", "close"));
        EXPECT_EQ(question.AllBox()->text().toStdString(), language->String("copymessage", "all"));
        EXPECT_TRUE(question.AllBox()->isVisible());
        // Controls sit where the anchored rectangles put them.
        EXPECT_EQ(question.ReplaceButton()->geometry(),
                  CSkinDlg::Anchor(language->Rect("copymessage", "replace"), question.rect()));
        EXPECT_EQ(question.AllBox()->geometry(),
                  CSkinDlg::Anchor(language->Rect("copymessage", "all"), question.rect()));
        // The icon is the image's left half for a file, its right half for a folder, unscaled.
        const QRect box = question.IconBox();
        const QImage icon = fileicon.copy(QRect(folder ? box.width() : 0, 0, box.width(), box.height()));
        int differing = 0;
        for (int y = 0; y < box.height(); ++y) {
            for (int x = 0; x < box.width(); ++x) {
                const QColor want = QColor::fromRgba(icon.pixel(x, y));
                const QColor got = QColor::fromRgb(shot.pixel(box.left() + x, box.top() + y));
                // Against white, an opaque icon pixel comes out as itself.
                if (want.alpha() == 255 &&
                    (std::abs(want.red() - got.red()) > 2 || std::abs(want.green() - got.green()) > 2 ||
                     std::abs(want.blue() - got.blue()) > 2)) {
                    ++differing;
                }
            }
        }
        EXPECT_EQ(differing, 0) << (folder ? "folder" : "file");
        // The text is drawn in the text box, in the skin's text colour, on the skin's background.
        EXPECT_GT(CountNot(shot, question.TextBox(), 0xFFFFFF), 50);
        EXPECT_EQ(shot.pixel(question.width() - 2, 2) & 0xFFFFFF, 0xFFFFFFu);
        EXPECT_NE(question.DisplayText().toStdString().find("photo.jpg"), std::string::npos);
    }
}

TEST_P(NativeDialogs, AllBoxOnlyForSeveralItemsAndAnswersOfEachButton)
{
    CCopyMessage single(*language, "a.txt", false, false);
    single.show();
    Drain();
    EXPECT_FALSE(single.AllBox()->isVisible());
    single.AllBox()->setChecked(true); // even if set behind its back, a hidden box never answers "all"
    single.KeepBothButton()->click();
    EXPECT_EQ(single.Answer().button, ClashButton::KeepBoth);
    EXPECT_FALSE(single.Answer().all);

    struct Case
    {
        QPushButton* (CCopyMessage::*button)() const;
        ClashButton expected;
    } cases[] = {{&CCopyMessage::ReplaceButton, ClashButton::Replace},
                 {&CCopyMessage::KeepBothButton, ClashButton::KeepBoth},
                 {&CCopyMessage::CloseButton, ClashButton::Close}};
    for (const auto& c : cases) {
        CCopyMessage question(*language, "a.txt", false, true);
        question.show();
        Drain();
        question.AllBox()->click();
        (question.*c.button)()->click();
        EXPECT_EQ(question.Answer().button, c.expected);
        EXPECT_TRUE(question.Answer().all);
        EXPECT_EQ(question.result(), QDialog::Accepted);
    }
    // The caption's close box answers close, the box not read.
    CCopyMessage closed(*language, "a.txt", false, true);
    closed.show();
    Drain();
    closed.AllBox()->click();
    closed.close();
    EXPECT_EQ(closed.Answer().button, ClashButton::Close);
    EXPECT_FALSE(closed.Answer().all);
}

TEST_P(NativeDialogs, EnterAndEscapeDoNothing)
{
    CCopyMessage question(*language, "a.txt", false, true);
    question.show();
    question.ReplaceButton()->setFocus();
    Drain();
    for (int key : {Qt::Key_Escape, Qt::Key_Return, Qt::Key_Enter}) {
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
        QApplication::sendEvent(QApplication::focusWidget() ? QApplication::focusWidget() : &question,
                                &press);
        Drain();
    }
    EXPECT_TRUE(question.isVisible());
    EXPECT_EQ(question.result(), 0);
}

TEST_P(NativeDialogs, ALongNameMakesTheQuestionTallerAndMovesTheButtonsDown)
{
    CCopyMessage shortName(*language, "a.txt", false, true);
    CCopyMessage longName(*language, QString("very long name ").repeated(30) + ".txt", false, true);
    shortName.show();
    longName.show();
    SaveShot(Shot(longName), std::string("copymessage-") + GetParam().name + "-long.png");
    const int grown = longName.height() - shortName.height();
    EXPECT_GT(grown, 0);
    EXPECT_EQ(longName.width(), shortName.width());
    EXPECT_EQ(longName.ReplaceButton()->y() - shortName.ReplaceButton()->y(), grown);
    EXPECT_EQ(longName.IconBox(), shortName.IconBox()); // anchored to the top: stays
}

TEST_P(NativeDialogs, ProgressDialogShowsEachStep)
{
    for (auto mode : {CCopyDlg::Mode::Copy, CCopyDlg::Mode::Delete}) {
        const bool copy = mode == CCopyDlg::Mode::Copy;
        CCopyDlg dialog(*language, mode);
        dialog.show();
        QImage shot = Shot(dialog);
        ASSERT_EQ(shot.size(), QSize(language->Width("copyfiledlg"), language->Height("copyfiledlg")));
        EXPECT_EQ(dialog.windowTitle().toStdString(), Prompt(copy ? "Copy" : "Delete"));
        EXPECT_EQ(dialog.StatusText().toStdString(), Prompt(copy ? "ReadyCopy" : "ReadyDelete"));
        EXPECT_EQ(dialog.ProgressBar()->geometry(),
                  CSkinDlg::Anchor(language->Rect("copyfiledlg", "progress"), dialog.rect()));
        EXPECT_GT(CountNot(shot, dialog.TitleBox(), 0xFFFFFF), 30);
        dialog.ShowCounted(4);
        dialog.ShowProgress(1, 4);
        EXPECT_EQ(dialog.ProgressBar()->value(), 25);
        EXPECT_EQ(dialog.StatusText().toStdString(), copy ? FillPlaceholders(Prompt("Copying"), {"1", "4"})
                                                          : FillPlaceholders(Prompt("Deleting"), {"1"}));
        shot = Shot(dialog);
        SaveShot(shot, std::string("copydlg-") + GetParam().name + (copy ? "-copy" : "-delete") + ".png");
        // A quarter of the bar is filled: its left part differs from its right part.
        const QRect bar = dialog.ProgressBar()->geometry().adjusted(3, 3, -3, -3);
        const QRgb filled = shot.pixel(bar.left() + bar.width() / 8, bar.center().y());
        const QRgb empty = shot.pixel(bar.right() - bar.width() / 8, bar.center().y());
        EXPECT_NE(filled, empty);
        EXPECT_FALSE(dialog.ClosedToken()->IsCancelled());
        dialog.close();
        EXPECT_TRUE(dialog.ClosedToken()->IsCancelled());
    }
}

INSTANTIATE_TEST_SUITE_P(Languages, NativeDialogs, testing::ValuesIn(kLanguages),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(NativeDialogSkin, ColoursComeFromTheSkinAndDefaultsWithoutADocument)
{
    QTemporaryDir dir;
    const std::string path = dir.filePath("skin.xml").toStdString();
    std::ofstream(path) << "<dialog><copymessage width=\"300\" height=\"120\"><string text=\"Exists: "
                           "%s\"/><rect text=\"10,10,-10,20\" "
                           "replace=\"-90,-30,80,24\" savemore=\"-180,-30,80,24\" close=\"-270,-30,80,24\"/>"
                           "</copymessage>"
                           "<skindlg><color bkg=\"204060\" text=\"F0E0D0\"/></skindlg></dialog>";
    LanguageDocument skin;
    ASSERT_TRUE(skin.Load(path));
    CCopyMessage question(skin, "x", false, false);
    question.show();
    const QImage shot = Shot(question);
    EXPECT_EQ(shot.pixel(question.width() - 2, 60) & 0xFFFFFF, 0x204060u);
    EXPECT_EQ(question.TextColour(), QColor(0xF0, 0xE0, 0xD0));
    EXPECT_GT(CountNot(shot, question.TextBox(), 0x204060), 5);

    // No document: 394 x 141, all-zero rectangles (controls fill the client area), built-in labels.
    LanguageDocument none;
    CCopyMessage bare(none, "x", false, true);
    bare.show();
    Drain();
    EXPECT_EQ(bare.size(), QSize(394, 141));
    EXPECT_EQ(bare.ReplaceButton()->geometry(), QRect(0, 0, 394, 141));
    EXPECT_EQ(bare.ReplaceButton()->text(), QStringLiteral("替换"));
    CCopyDlg progress(none, CCopyDlg::Mode::Copy);
    progress.show();
    Drain();
    EXPECT_EQ(progress.size(), QSize(394, 141));
    EXPECT_EQ(progress.ProgressBar()->geometry(), QRect(0, 0, 394, 141));
}

// A task on a worker thread drives the dialog through DialogProgress and asks a clash question,
// which the "user" answers in the question dialog.
TEST(DialogProgressTest, WorkerThreadReachesTheDialogAndItsQuestion)
{
    LanguageDocument language(zymtest::SourceDir());
    ASSERT_TRUE(language.Load(zymtest::SourceDir() + "/language/default-en.xml"));
    CCopyDlg dialog(language, CCopyDlg::Mode::Copy);
    dialog.show();
    Drain();
    DialogProgress progress(&dialog);
    std::atomic<bool> done{false};
    ClashAnswer answer;
    bool visible = false;
    std::thread worker([&] {
        progress.Ready();
        visible = progress.Visible();
        answer = progress.Ask("x.txt", false, true);
        progress.Counted(2);
        progress.Progress(1, 2);
        done = true;
    });
    // Answer the question as soon as it shows: keep both, with "all".
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (auto* q = qobject_cast<CCopyMessage*>(w); q && q->isVisible()) {
                q->AllBox()->setChecked(true);
                q->KeepBothButton()->click();
            }
        }
    });
    poll.start(20);
    while (!done) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    }
    worker.join();
    EXPECT_TRUE(visible);
    EXPECT_EQ(answer.button, ClashButton::KeepBoth);
    EXPECT_TRUE(answer.all);
    EXPECT_EQ(dialog.ProgressBar()->value(), 50);
    // Once the dialog is closed, nothing reaches it and a question answers close at once.
    dialog.close();
    EXPECT_TRUE(progress.ClosedByUser());
    std::thread late([&] {
        EXPECT_FALSE(progress.Visible());
        EXPECT_EQ(progress.Ask("y", false, false).button, ClashButton::Close);
        done = false;
    });
    while (done) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    }
    late.join();
}

} // namespace
