#include "shell/bridge/web_page.h"

#include "app/log.h"
#include "shell/app/message_box_texts.h"
#include "shell/app/shell_context.h"
#include "shell/bridge/page_bridge.h"
#include "shell/bridge/web_dialogs.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QMessageBox>
#include <QWebEngineScript>

namespace zym::shell {

WebPage::WebPage(QWebEngineProfile* profile, ShellContext& context, PageBridge& bridge, CWebBaseDlg* host)
    : QWebEnginePage(profile, host), context_(context), bridge_(bridge), host_(host)
{}

bool WebPage::javaScriptPrompt(const QUrl& securityOrigin, const QString& msg, const QString& defaultValue,
                               QString* result)
{
    // The bridge answers only calls that carry this run's key from a page of the UI folder;
    // any other prompt returns at once without a dialog.
    if (msg == context_.bridgeKey && !context_.bridgeKey.isEmpty() && bridge_.IsUiAddress(url()) &&
        (securityOrigin.isEmpty() || securityOrigin.scheme() == "file")) {
        *result = bridge_.Call(*this, defaultValue);
        return true;
    }
    return false;
}

void WebPage::javaScriptAlert(const QUrl&, const QString& msg)
{
    QMessageBox box(QMessageBox::Warning, context_.PromptText("prompt"), msg, QMessageBox::Ok);
    UseInterfaceLanguage(box, context_);
    box.exec();
}

bool WebPage::javaScriptConfirm(const QUrl&, const QString& msg)
{
    QMessageBox box(QMessageBox::Question, context_.PromptText("prompt"), msg,
                    QMessageBox::Yes | QMessageBox::No);
    UseInterfaceLanguage(box, context_);
    return box.exec() == QMessageBox::Yes;
}

QWebEnginePage* WebPage::createWindow(WebWindowType)
{
    // Every pop-up opens as a plain window served the same way as its opener.
    auto* window = new CWebDlg(context_, bridge_, QString(), true, 900, 600);
    window->InitDialog();
    window->ShowInFront();
    if (window->Page())
        window->Page()->openedByUi_ = bridge_.IsUiAddress(url());
    return window->Page();
}

bool WebPage::acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame)
{
    // A local document outside the UI folder shares the UI pages' origin: framed by one, or
    // opened by one, it could reach the bridge through `parent` or `opener`. The browser tells
    // the bridge only the page's address, not the calling frame's, so such a document is not
    // loaded there at all; it may still be opened on its own.
    if (url.isLocalFile() && !bridge_.IsUiAddress(url) &&
        ((!isMainFrame && bridge_.IsUiAddress(this->url())) || (isMainFrame && openedByUi_))) {
        context_.log.WriteLog("[bridge][" + url.toString().toStdString() + "][refused: " +
                                  (isMainFrame ? "opened by a UI page" : "framed by a UI page") + "]",
                              false);
        return false;
    }
    return QWebEnginePage::acceptNavigationRequest(url, type, isMainFrame);
}

void WebPage::DeliverAnswer(const QString& token, qint64 slot, const QString& text)
{
    const QString args =
        QString::fromUtf8(QJsonDocument(QJsonArray{token, slot, text}).toJson(QJsonDocument::Compact));
    runJavaScript(
        QStringLiteral(
            "(function(a){var d=window.__zymDeliver;if(typeof d==='function')d(a[0],a[1],a[2]);})(%1);")
            .arg(args),
        QWebEngineScript::MainWorld);
}

} // namespace zym::shell
