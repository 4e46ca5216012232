#include "shell/update/update_dialog.h"

#include "app/language_document.h"
#include "platform/task_pool.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QMessageBox>
#include <QMetaObject>
#include <QProgressBar>
#include <QPushButton>
#include <cstring>
#include <mutex>

namespace zym::shell {

// Carries the task's events to the dialog while it exists. The dialog detaches it when it
// goes, so a download that ends later reaches nothing.
class UpdateEventRelay : public UpdateDownloadEvents
{
public:
    explicit UpdateEventRelay(CUpdateDlg* dialog) : dialog_(dialog) {}
    void Detach()
    {
        std::lock_guard g(lock_);
        dialog_ = nullptr;
    }
    void OnProgress(std::int64_t bytes) override
    {
        Post([bytes](CUpdateDlg* d) { d->OnProgress(bytes); });
    }
    void OnTempFileFailed(int errorCode) override
    {
        Post([errorCode](CUpdateDlg* d) { d->OnTempFileFailed(errorCode); });
    }
    void OnReady(const std::string& path) override
    {
        Post([p = QString::fromStdString(path)](CUpdateDlg* d) { d->OnReady(p); });
    }
    void OnFailed() override
    {
        Post([](CUpdateDlg* d) { d->OnFailed(); });
    }

private:
    template <typename F> void Post(F f)
    {
        std::lock_guard g(lock_);
        if (CUpdateDlg* d = dialog_) // Qt drops events queued for an object that is deleted later
            QMetaObject::invokeMethod(
                d, [d, f] { f(d); }, Qt::QueuedConnection);
    }

    std::mutex lock_;
    CUpdateDlg* dialog_;
};

namespace {

QString Colour(std::uint32_t rgb)
{
    return QStringLiteral("#%1").arg(rgb & 0xFFFFFF, 6, 16, QLatin1Char('0'));
}

} // namespace

CUpdateDlg::CUpdateDlg(const LanguageDocument& language, CTaskPool& pool, UpdateState& state,
                       VersionOffer offer, const QString& currentVersion, const std::string& tempFolder,
                       QWidget* parent)
    : QDialog(parent), language_(language), pool_(pool), state_(state), offer_(std::move(offer)),
      tempFolder_(tempFolder), relay_(std::make_shared<UpdateEventRelay>(this))
{
    setObjectName(QStringLiteral("CUpdateDlg"));
    setWindowTitle(QString::fromStdString(language.String("prompt", "Update")));
    setStyleSheet(
        QStringLiteral("QDialog{background:%1;} QLabel{color:%2;}")
            .arg(Colour(language.Color("skindlg", "bkg")), Colour(language.Color("skindlg", "text"))));
    auto* grid = new QGridLayout(this);
    auto* current = new QLabel(currentVersion, this);
    current->setObjectName(QStringLiteral("currentVersion"));
    auto* next = new QLabel(QString::fromStdString(offer_.version), this);
    next->setObjectName(QStringLiteral("newVersion"));
    grid->addWidget(current, 0, 0);
    grid->addWidget(new QLabel(QStringLiteral("\u2192"), this), 0, 1, Qt::AlignCenter);
    grid->addWidget(next, 0, 2, Qt::AlignRight);
    progress_ = new QProgressBar(this);
    progress_->setRange(0, 100);
    progress_->setValue(0);
    progress_->setTextVisible(false);
    grid->addWidget(progress_, 1, 0, 1, 3);
    percentText_ = new QLabel(QStringLiteral("0%"), this);
    percentText_->setObjectName(QStringLiteral("percentage"));
    grid->addWidget(percentText_, 2, 0, 1, 3, Qt::AlignCenter);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &CUpdateDlg::reject);
    grid->addWidget(buttons, 3, 0, 1, 3);
    setMinimumWidth(394);
}

CUpdateDlg::~CUpdateDlg()
{
    relay_->Detach();
}

void CUpdateDlg::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (started_)
        return;
    started_ = true;
    state_.cancelled = false;
    state_.dialogOpen = true;
    // The pool grows by a thread when it has fewer than its maximum, so the download runs
    // beside whatever the pool is doing.
    pool_.Post(std::make_unique<CUpDateExe>(offer_, tempFolder_, state_, relay_));
}

void CUpdateDlg::reject()
{
    state_.cancelled = true; // the running download stops at its next check, at once
    state_.dialogOpen = false;
    QDialog::reject();
}

void CUpdateDlg::OnProgress(std::int64_t bytes)
{
    received_ += bytes;
    percentage_ = offer_.fileSize > 0
                      ? static_cast<int>(std::min<std::int64_t>(100, received_ * 100 / offer_.fileSize))
                      : 0;
    progress_->setValue(percentage_);
    percentText_->setText(QStringLiteral("%1%").arg(percentage_));
    emit progressed(received_);
}

void CUpdateDlg::OnTempFileFailed(int errorCode)
{
    ShowError(QString::fromStdString(language_.String("prompt", "DownloadFileError")) + ":" +
              QString::fromLocal8Bit(std::strerror(errorCode)));
}

void CUpdateDlg::OnFailed()
{
    ShowError(QString::fromStdString(language_.String("prompt", "DownloadFileError")));
}

void CUpdateDlg::OnReady(const QString& path)
{
    packagePath_ = path;
    accept(); // dialogOpen stays set: no further offer during this run
}

void CUpdateDlg::ShowError(const QString& text)
{
    // Window-modal and not waited for, so the dialog's own events go on.
    auto* box =
        new QMessageBox(QMessageBox::Critical, QString::fromStdString(language_.String("prompt", "prompt")),
                        text, QMessageBox::Ok, this);
    box->setObjectName(QStringLiteral("updateError"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
    emit downloadFailed(text);
}

} // namespace zym::shell
