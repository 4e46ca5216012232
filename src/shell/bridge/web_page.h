#pragma once
// A page of a hosting window: the bridge's prompt channel, native alert and confirm boxes,
// pop-ups as plain windows, and answers delivered back into the calling document.
#include <QPointer>
#include <QWebEnginePage>

namespace zym::shell {

struct ShellContext;
class PageBridge;
class CWebBaseDlg;

class WebPage : public QWebEnginePage
{
    Q_OBJECT
public:
    WebPage(QWebEngineProfile* profile, ShellContext& context, PageBridge& bridge, CWebBaseDlg* host);

    CWebBaseDlg* Host() const { return host_; }
    // Runs the callback of call `slot` in the document with `token`, when it is still there.
    void DeliverAnswer(const QString& token, qint64 slot, const QString& text);

protected:
    bool javaScriptPrompt(const QUrl& securityOrigin, const QString& msg, const QString& defaultValue,
                          QString* result) override;
    void javaScriptAlert(const QUrl& securityOrigin, const QString& msg) override;
    bool javaScriptConfirm(const QUrl& securityOrigin, const QString& msg) override;
    QWebEnginePage* createWindow(WebWindowType type) override;
    bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) override;

private:
    ShellContext& context_;
    PageBridge& bridge_;
    QPointer<CWebBaseDlg> host_;
    bool openedByUi_ = false; // a pop-up of a UI page: its opener is a UI document
};

} // namespace zym::shell
