#include "shell/ui/copy_dlg.h"

#include "shell/ui/copy_message.h"

#include <QApplication>
#include <QPainter>
#include <QProgressBar>
#include <QScreen>
#include <QTimer>

namespace zym {

CCopyDlg::CCopyDlg(const LanguageDocument& language, Mode mode, QWidget* parent)
    : CSkinDlg(language, parent), mode_(mode), bar_(new QProgressBar(this))
{
    int width = kDefaultWidth;
    int height = kDefaultHeight;
    if (SkinLoaded()) {
        width = language.Width("copyfiledlg");
        height = language.Height("copyfiledlg");
        titleRect_ = language.Rect("copyfiledlg", "title");
        progressRect_ = language.Rect("copyfiledlg", "progress");
    }
    bar_->setRange(0, 100);
    bar_->setValue(0);
    bar_->setTextVisible(false);
    setWindowTitle(Prompt(mode_ == Mode::Copy ? "Copy" : "Delete"));
    status_ = Prompt(mode_ == Mode::Copy ? "ReadyCopy" : "ReadyDelete");
    SetClientSize(width, height);
    if (QScreen* s = screen()) {
        move(s->geometry().center() - QPoint(width / 2, height / 2));
    }
}

CCopyDlg::~CCopyDlg()
{
    closed_->Cancel();
}

QString CCopyDlg::Prompt(const char* word) const
{
    return QString::fromStdString(language_.String("prompt", word));
}

QString CCopyDlg::Status(std::int64_t a, std::int64_t b) const
{
    if (mode_ == Mode::Copy) {
        return QString::fromStdString(
            FillPlaceholders(Prompt("Copying").toStdString(), {std::to_string(a), std::to_string(b)}));
    }
    return QString::fromStdString(FillPlaceholders(Prompt("Deleting").toStdString(), {std::to_string(a)}));
}

void CCopyDlg::ShowReady()
{
    status_ = Prompt(mode_ == Mode::Copy ? "ReadyCopy" : "ReadyDelete");
    update();
}

void CCopyDlg::ShowCounted(std::int64_t total)
{
    status_ = mode_ == Mode::Copy ? Status(0, total) : Status(total, 0);
    update();
}

void CCopyDlg::ShowProgress(std::int64_t done, std::int64_t total)
{
    status_ = Status(done, total);
    if (total > 0) {
        bar_->setValue(static_cast<int>(done * 100 / total));
    }
    update();
}

void CCopyDlg::ShowFinished(std::int64_t total)
{
    status_ = Status(total, total);
    update();
    QTimer::singleShot(1000, this, [this] { accept(); });
}

ClashAnswer CCopyDlg::AskClash(const std::string& name, bool folder, bool several)
{
    return CCopyMessage::AskModal(language_, name, folder, several, this);
}

void CCopyDlg::LayoutControls(int width, int height)
{
    bar_->setGeometry(Anchor(progressRect_, QRect(0, 0, width, height)));
}

void CCopyDlg::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white); // this dialog keeps a white background whatever the skin
    painter.setFont(TextFont());
    painter.setPen(TextColour());
    painter.drawText(TitleBox(), Qt::TextSingleLine | Qt::AlignLeft | Qt::AlignVCenter, status_);
}

void CCopyDlg::done(int result)
{
    closed_->Cancel(); // the work stops at its next check, whatever ended the dialog
    QDialog::done(result);
}

void DialogProgress::Send(const std::function<void(CCopyDlg&)>& action) const
{
    // A closed dialog takes no more messages; not even waiting for the main thread, which may be
    // busy shutting down and waiting for this very task.
    if (closed_->IsCancelled()) {
        return;
    }
    QPointer<CCopyDlg> dialog = dialog_;
    QMetaObject::invokeMethod(
        QCoreApplication::instance(),
        [dialog, &action] {
            if (dialog && dialog->isVisible()) {
                action(*dialog);
            }
        },
        Qt::BlockingQueuedConnection);
}

void DialogProgress::Post(std::function<void(CCopyDlg&)> action) const
{
    if (closed_->IsCancelled()) {
        return;
    }
    QPointer<CCopyDlg> dialog = dialog_;
    QMetaObject::invokeMethod(
        QCoreApplication::instance(),
        [dialog, action = std::move(action)] {
            if (dialog && dialog->isVisible()) {
                action(*dialog);
            }
        },
        Qt::QueuedConnection);
}

void DialogProgress::Ready()
{
    Send([](CCopyDlg& d) { d.ShowReady(); });
}

void DialogProgress::Counted(std::int64_t total)
{
    Send([total](CCopyDlg& d) { d.ShowCounted(total); });
}

void DialogProgress::Progress(std::int64_t done, std::int64_t total)
{
    Send([done, total](CCopyDlg& d) { d.ShowProgress(done, total); });
}

void DialogProgress::Finished(std::int64_t total)
{
    Post([total](CCopyDlg& d) { d.ShowFinished(total); });
}

void DialogProgress::Close()
{
    Post([](CCopyDlg& d) { d.close(); });
}

bool DialogProgress::Visible() const
{
    bool visible = false;
    Send([&visible](CCopyDlg&) { visible = true; });
    return visible;
}

ClashAnswer DialogProgress::Ask(const std::string& name, bool folder, bool several)
{
    ClashAnswer answer{ClashButton::Close, false};
    Send([&](CCopyDlg& d) { answer = d.AskClash(name, folder, several); });
    return answer;
}

} // namespace zym
