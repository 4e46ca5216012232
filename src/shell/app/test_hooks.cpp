#include "shell/app/test_hooks.h"

#ifdef ZYM_TEST_HOOKS
#include "shell/bridge/web_view.h"
#include "shell/desktop/select_files_dialog.h"

#include <QApplication>
#include <QClipboard>
#include <QDragEnterEvent>
#include <QDragLeaveEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QKeyEvent>
#include <QLineEdit>
#include <QLocalServer>
#include <QLocalSocket>
#include <QMimeData>
#include <QPushButton>
#include <QTimer>
#include <QUrl>
#include <csignal>
#include <cstring>
#include <stdexcept>
#endif

namespace zym::shell {

// Read at run time, so the compiler cannot see the store is undefined and drop it.
int* volatile g_nowhere = nullptr;

void TestCrashTrigger(const char* kind)
{
#ifdef ZYM_TEST_HOOKS
    if (std::strcmp(kind, "abort") == 0)
        std::abort();
    if (std::strcmp(kind, "terminate") == 0)
        throw std::runtime_error("test crash: an exception nobody catches");
    *g_nowhere = 1;
#endif
}

#ifdef ZYM_TEST_HOOKS
namespace {

QStringList Strings(const QJsonValue& value)
{
    QStringList out;
    for (const QJsonValue& v : value.toArray())
        out.push_back(v.toString());
    return out;
}

QList<QUrl> LocalUrls(const QStringList& paths)
{
    QList<QUrl> urls;
    for (const QString& p : paths)
        urls.push_back(p.startsWith('/') ? QUrl::fromLocalFile(p) : QUrl(p));
    return urls;
}

// Replaces the field's text key by key, as a user who selected it all types, then Enter when asked.
void TypeInto(QLineEdit* widget, const QString& text, bool enter)
{
    widget->setFocus();
    widget->selectAll();
    for (const QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
        QApplication::sendEvent(widget, &press);
    }
    if (enter) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
        QApplication::sendEvent(widget, &press);
    }
}

QJsonObject DialogRequest(const QJsonObject& request)
{
    const QString what = request.value("do").toString();
    QWidget* modal = QApplication::activeModalWidget();
    if (auto* select = qobject_cast<CSelectFilesDialog*>(modal)) {
        if (what == "dialog")
            return {{"kind", "select"},
                    {"title", select->windowTitle()},
                    {"ok", select->OkButton()->text()},
                    {"folder", select->Folder()},
                    {"names", QJsonArray::fromStringList(select->Names())}};
        if (what == "dialog-select")
            return {{"ok", select->SelectNames(Strings(request.value("names")))}};
        if (what == "dialog-type") {
            TypeInto(select->NameField(), request.value("text").toString(), request.value("enter").toBool());
            return {{"ok", true}};
        }
        if (what == "dialog-accept") {
            QMetaObject::invokeMethod(select->OkButton(), &QPushButton::click, Qt::QueuedConnection);
            return {{"ok", true}};
        }
        if (what == "dialog-cancel") {
            QMetaObject::invokeMethod(select, &QDialog::reject, Qt::QueuedConnection);
            return {{"ok", true}};
        }
    }
    if (auto* folder = qobject_cast<QFileDialog*>(modal)) {
        if (what == "dialog")
            return {{"kind", "folder"},
                    {"title", folder->windowTitle()},
                    {"folder", folder->directory().absolutePath()}};
        if (what == "dialog-type") {
            auto* edit = folder->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            if (!edit)
                return {{"ok", false}};
            edit->setText(request.value("text").toString());
            return {{"ok", true}};
        }
        if (what == "dialog-accept") {
            QMetaObject::invokeMethod(folder, &QDialog::accept, Qt::QueuedConnection);
            return {{"ok", true}};
        }
        if (what == "dialog-cancel") {
            QMetaObject::invokeMethod(folder, &QDialog::reject, Qt::QueuedConnection);
            return {{"ok", true}};
        }
    }
    return {{"kind", "none"}};
}

// Sends a drag of the paths into the drawing widget of a visible page view (the first, or the
// first whose address contains `page`), as a drag from another program arrives. Without `drop`
// it leaves again; with it the drag moves to the point (page pixels) and is dropped there, so
// the page gets its own dragover and drop events as from a desktop drop. Hidden windows (the
// launchpad before login) have no drawing widget yet.
QJsonObject DragInto(const QJsonObject& request)
{
    const QStringList paths = Strings(request.value("paths"));
    const QString page = request.value("page").toString();
    for (QWidget* top : QApplication::topLevelWidgets()) {
        if (!top->isVisible())
            continue;
        for (WebView* view : top->findChildren<WebView*>()) {
            QWidget* target = view->focusProxy();
            if (!target || !view->url().toString().contains(page))
                continue;
            QMimeData data;
            data.setUrls(LocalUrls(paths));
            const double zoom = view->zoomFactor();
            const QPoint at = request.contains("x") ? QPointF(request.value("x").toDouble() * zoom,
                                                              request.value("y").toDouble() * zoom)
                                                          .toPoint()
                                                    : QPoint(10, 10);
            QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(target, &enter);
            if (!request.value("drop").toBool()) {
                QDragLeaveEvent leave;
                QApplication::sendEvent(target, &leave);
                return {{"ok", true}};
            }
            // The browser answers a move with the action the page chose in its dragover handler;
            // a page that does not take the drop leaves it ignored, and then nothing is dropped.
            QDragMoveEvent move(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(target, &move);
            if (!move.isAccepted() || move.dropAction() == Qt::IgnoreAction) {
                QDragLeaveEvent leave;
                QApplication::sendEvent(target, &leave);
                return {{"ok", true}, {"dropped", false}};
            }
            QDropEvent drop(at, move.dropAction(), &data, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(target, &drop);
            return {{"ok", true}, {"dropped", drop.isAccepted()}};
        }
    }
    return {{"ok", false}};
}

QJsonObject Handle(const QJsonObject& request)
{
    const QString what = request.value("do").toString();
    if (what.startsWith("dialog"))
        return DialogRequest(request);
    if (what == "clipboard-text")
        return {{"text", QApplication::clipboard()->text()},
                {"formats", QJsonArray::fromStringList(QApplication::clipboard()->mimeData()->formats())}};
    if (what == "clipboard-files") {
        // As GNOME Files puts a copied selection: a URI list, its own copy marker and the paths
        // as text.
        auto* data = new QMimeData;
        const QStringList paths = Strings(request.value("paths"));
        const QList<QUrl> urls = LocalUrls(paths);
        data->setUrls(urls);
        QByteArray marker = "copy";
        for (const QUrl& u : urls)
            marker += '\n' + u.toEncoded();
        data->setData(QStringLiteral("x-special/gnome-copied-files"), marker);
        data->setText(paths.join('\n'));
        QApplication::clipboard()->setMimeData(data);
        return {{"ok", true}};
    }
    if (what == "drag")
        return DragInto(request);
    return {{"error", "unknown request"}};
}

void StartControl(QObject* owner, const QString& path)
{
    QLocalServer::removeServer(path);
    auto* server = new QLocalServer(owner);
    if (!server->listen(path))
        return;
    QObject::connect(server, &QLocalServer::newConnection, server, [server] {
        while (QLocalSocket* socket = server->nextPendingConnection()) {
            QObject::connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            QObject::connect(socket, &QLocalSocket::readyRead, socket, [socket] {
                if (!socket->canReadLine())
                    return;
                const QJsonObject request = QJsonDocument::fromJson(socket->readLine()).object();
                socket->write(QJsonDocument(Handle(request)).toJson(QJsonDocument::Compact) + '\n');
                socket->flush();
            });
        }
    });
}

} // namespace
#endif

void StartTestHooks(QObject* owner)
{
#ifdef ZYM_TEST_HOOKS
    const QString control = qEnvironmentVariable("ZYM_TEST_CONTROL");
    if (!control.isEmpty())
        StartControl(owner, control);
    static QByteArray crash = qgetenv("ZYM_TEST_CRASH");
    if (crash.isEmpty())
        return;
    // Once the first page has loaded, so the browser's own threads and handlers are all up; a
    // page that does not load in time does not keep the crash from happening.
    const auto fire = [] {
        TestCrashTrigger(crash.constData());
    };
    for (QWidget* top : QApplication::topLevelWidgets()) {
        for (WebView* view : top->findChildren<WebView*>())
            QObject::connect(view, &QWebEngineView::loadFinished, owner, fire);
    }
    QTimer::singleShot(5000, owner, fire);
#endif
}

} // namespace zym::shell
