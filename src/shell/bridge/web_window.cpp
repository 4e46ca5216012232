#include "bridge/web_window.h"

#include "app/main_dialog.h"
#include "app/shell_context.h"
#include "bridge/browser_profile.h"
#include "bridge/message_handlers.h"
#include "bridge/web_page.h"
#include "bridge/web_view.h"
#include "bridge/window_message.h"
#include "bridge/window_messages.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QMessageBox>
#include <QScreen>
#include <QVBoxLayout>
#include <QWebEngineScript>
#include <algorithm>

namespace zym::shell {

WebWindow::WebWindow(ShellContext& context, PageBridge& bridge, Kind kind, QWidget* parent)
    : QDialog(parent), context_(context), kind_(kind)
{
    if (kind == Kind::Popup)
        setAttribute(Qt::WA_DeleteOnClose);
    setWindowFlags(Qt::Window);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    view_ = new WebView(context, bridge, this);
    page_ = new WebPage(BrowserProfile(), context, bridge, this);
    view_->setPage(page_);
    layout->addWidget(view_);
    resize(900, 600);

    connect(page_, &QWebEnginePage::titleChanged, this, [this](const QString& title) {
        setWindowTitle(title);
        PostWindowMessage(this, kMsgTitleChanged);
    });
    connect(page_, &QWebEnginePage::loadFinished, this, [this](bool) {
        if (kind_ == Kind::Launchpad)
            pageLoaded_ = true;
    });
}

void WebWindow::Load(const QUrl& url)
{
    page_->load(url);
}

void WebWindow::CentreOnScreen()
{
    const QScreen* screen = this->screen();
    if (!screen)
        return;
    const QRect area = screen->availableGeometry();
    resize(std::min(width(), area.width()), std::min(height(), area.height()));
    move(area.center() - rect().center());
}

void WebWindow::RunScript(const QString& script)
{
    page_->runJavaScript(script, QWebEngineScript::MainWorld);
}

bool WebWindow::event(QEvent* event)
{
    if (event->type() == WindowMessageEvent::EventType()) {
        auto* message = static_cast<WindowMessageEvent*>(event);
        if (message->message == kMsgClose) {
            closingByMessage_ = true;
            close();
            closingByMessage_ = false;
        } else {
            HandleWindowMessage(*this, message->message, message->wParam);
        }
        return true;
    }
    return QDialog::event(event);
}

void WebWindow::closeEvent(QCloseEvent* event)
{
    // closeWnd hides the login window (it stays alive). The user closing the login window
    // or the launchpad is asked whether to log out and end the program.
    if (kind_ == Kind::Popup || (kind_ == Kind::Login && closingByMessage_)) {
        QDialog::closeEvent(event);
        return;
    }
    event->ignore();
    QMessageBox box(QMessageBox::Question, context_.PromptText("prompt"), context_.PromptText("logout"),
                    QMessageBox::Yes | QMessageBox::No);
    if (box.exec() == QMessageBox::Yes && context_.mainDialog)
        context_.mainDialog->ShutdownAndEnd();
}

void WebWindow::keyPressEvent(QKeyEvent* event)
{
    // Escape belongs to the page, not to the dialog (which would close).
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

} // namespace zym::shell
