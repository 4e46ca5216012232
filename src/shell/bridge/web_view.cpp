#include "shell/bridge/web_view.h"

#include "shell/app/shell_context.h"
#include "shell/bridge/web_dialogs.h"
#include "shell/bridge/web_page.h"

#include <QChildEvent>
#include <QContextMenuEvent>
#include <QDragEnterEvent>
#include <QMenu>
#include <QMimeData>
#include <QUrl>

namespace zym::shell {

WebView::WebView(ShellContext& context, PageBridge& bridge, QWidget* parent)
    : QWebEngineView(parent), context_(context), bridge_(bridge)
{
    setAcceptDrops(true);
}

void WebView::contextMenuEvent(QContextMenuEvent* event)
{
    // Pages have no context menu unless UIDebug is set; then the browser's own items are
    // followed by the developer tools and a reload that ignores the cache.
    event->accept();
    if (context_.settings.UIDebug() == 0)
        return;
    QMenu* menu = createStandardContextMenu();
    menu->setAttribute(Qt::WA_DeleteOnClose);
    if (!menu->actions().isEmpty())
        menu->addSeparator();
    menu->addAction(QString::fromUtf8("工具"), this, [this] { OpenDeveloperTools(); });
    menu->addAction(QString::fromUtf8("刷新"), this,
                    [this] { page()->triggerAction(QWebEnginePage::ReloadAndBypassCache); });
    menu->popup(event->globalPos());
}

void WebView::OpenDeveloperTools()
{
    auto* tools = new CWebDlg(context_, bridge_, QString(), true, 1000, 700);
    tools->InitDialog();
    page()->setDevToolsPage(tools->Page());
    tools->ShowInFront();
}

// The browser's drawing widget is a child created by the view; drag events reach it, not
// the view, so the view watches each child it gets.
void WebView::childEvent(QChildEvent* event)
{
    QWebEngineView::childEvent(event);
    if (event->added() && event->child()->isWidgetType())
        event->child()->installEventFilter(this);
}

bool WebView::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::DragEnter)
        RememberDrag(static_cast<QDragEnterEvent*>(event)->mimeData());
    return QWebEngineView::eventFilter(watched, event);
}

void WebView::RememberDrag(const QMimeData* data)
{
    // Every drag replaces the list; a drag without files empties it. The drag is never refused.
    QStringList files;
    if (data && data->hasUrls()) {
        for (const QUrl& url : data->urls()) {
            if (url.isLocalFile())
                files.push_back(url.toLocalFile());
        }
    }
    context_.dragFiles.Replace(std::move(files));
}

} // namespace zym::shell
