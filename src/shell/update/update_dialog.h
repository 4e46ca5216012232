#pragma once
// CUpdateDlg: the download of an offered version, with its progress, percentage and the
// current and new version texts, drawn in the skin's colours. It starts the download task on
// the pool when shown; Cancel stops the download at once and closes. A verified package
// closes it as accepted (PackagePath() then names it); a failure shows an error and keeps it
// open so the user can read it and cancel.
#include "update/update_check.h"

#include <QDialog>
#include <memory>
#include <string>

class QLabel;
class QProgressBar;

namespace zym {
class CTaskPool;
class LanguageDocument;
} // namespace zym

namespace zym::shell {

class UpdateEventRelay;

class CUpdateDlg : public QDialog
{
    Q_OBJECT
public:
    CUpdateDlg(const LanguageDocument& language, CTaskPool& pool, UpdateState& state, VersionOffer offer,
               const QString& currentVersion, const std::string& tempFolder, QWidget* parent = nullptr);
    ~CUpdateDlg() override;

    const QString& PackagePath() const { return packagePath_; }
    int Percentage() const { return percentage_; }

    // Events of the download task, delivered on the dialog's thread.
    void OnProgress(std::int64_t bytes);
    void OnTempFileFailed(int errorCode);
    void OnReady(const QString& path);
    void OnFailed();

    // Cancel: stops the download at once and closes.
    void reject() override;

signals:
    // For whoever watches the download (tests): the bytes received so far, and a failure shown.
    void progressed(qint64 received);
    void downloadFailed(const QString& text);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void ShowError(const QString& text);

    const LanguageDocument& language_;
    CTaskPool& pool_;
    UpdateState& state_;
    VersionOffer offer_;
    std::string tempFolder_;
    std::shared_ptr<UpdateEventRelay> relay_;
    bool started_ = false;
    std::int64_t received_ = 0;
    int percentage_ = 0;
    QString packagePath_;
    QProgressBar* progress_ = nullptr;
    QLabel* percentText_ = nullptr;
};

} // namespace zym::shell
