// The progress dialog of a copy or a delete: a status line and a progress bar. The task reports
// through OperationProgress (DialogProgress below); closing the dialog cancels its token, and
// the task stops at its next item boundary.
#pragma once

#include "ops/operation_progress.h"
#include "shell/ui/skin_dlg.h"

#include <QPointer>
#include <QString>
#include <functional>

class QProgressBar;

namespace zym {

class CCopyDlg : public CSkinDlg
{
    Q_OBJECT

public:
    enum class Mode
    {
        Copy,
        Delete,
    };

    CCopyDlg(const LanguageDocument& language, Mode mode, QWidget* parent = nullptr);
    ~CCopyDlg() override;

    CancelTokenPtr ClosedToken() const { return closed_; }
    QString StatusText() const { return status_; }
    QProgressBar* ProgressBar() const { return bar_; }
    QRect TitleBox() const { return Anchor(titleRect_, rect()); }

    // The progress messages, on the main thread.
    void ShowReady();
    void ShowCounted(std::int64_t total);
    void ShowProgress(std::int64_t done, std::int64_t total);
    // Shows the end and closes the dialog as accepted one second later.
    void ShowFinished(std::int64_t total);
    ClashAnswer AskClash(const std::string& name, bool folder, bool several);

protected:
    void LayoutControls(int width, int height) override;
    void paintEvent(QPaintEvent* event) override;
    void done(int result) override;

private:
    QString Prompt(const char* word) const;
    QString Status(std::int64_t a, std::int64_t b) const;

    Mode mode_;
    QString status_;
    LanguageRect titleRect_, progressRect_;
    QProgressBar* bar_;
    CancelTokenPtr closed_ = std::make_shared<CancelToken>();
};

// OperationProgress of a task on a worker thread: each call runs on the main thread and waits
// for it there (Finished and Close are only queued), and only while the dialog exists and is
// visible. Never call it from the main thread itself.
class DialogProgress : public OperationProgress
{
public:
    explicit DialogProgress(CCopyDlg* dialog) : dialog_(dialog), closed_(dialog->ClosedToken()) {}

    void Ready() override;
    void Counted(std::int64_t total) override;
    void Progress(std::int64_t done, std::int64_t total) override;
    void Finished(std::int64_t total) override;
    void Close() override;
    bool Visible() const override;
    CancelTokenPtr ClosedToken() const override { return closed_; }
    ClashAnswer Ask(const std::string& name, bool folder, bool several) override;

private:
    void Send(const std::function<void(CCopyDlg&)>& action) const;
    void Post(std::function<void(CCopyDlg&)> action) const;

    QPointer<CCopyDlg> dialog_;
    CancelTokenPtr closed_;
};

} // namespace zym
