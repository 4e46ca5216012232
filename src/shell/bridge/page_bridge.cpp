#include "shell/bridge/page_bridge.h"

#include "bridge/catalogue.h"
#include "bridge/window_messages.h"
#include "shell/app/shell_context.h"
#include "shell/bridge/web_dialogs.h"
#include "shell/bridge/web_page.h"
#include "shell/bridge/window_message.h"

#include <QCoreApplication>
#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMetaObject>

namespace zym::shell {

PageReplyTarget::PageReplyTarget(WebPage* page, QString token, qint64 slot)
    : page_(page), token_(std::move(token)), slot_(slot)
{}

void PageReplyTarget::Deliver(const std::string& text) const
{
    // Called on a pool thread: hand the answer to the main thread, where the page lives.
    // The application object outlives every page, so it carries the call; the page itself
    // is looked at only there.
    QMetaObject::invokeMethod(
        QCoreApplication::instance(),
        [page = page_, token = token_, slot = slot_, answer = QString::fromStdString(text)] {
            if (page)
                page->DeliverAnswer(token, slot, answer);
        },
        Qt::QueuedConnection);
}

bool PageBridge::IsUiAddress(const QUrl& url) const
{
    if (!url.isLocalFile() || context_.uiFolder.isEmpty())
        return false;
    const QString path = QDir::cleanPath(url.toLocalFile());
    return path.startsWith(context_.uiFolder + '/');
}

namespace {

QString Json(const QJsonObject& object)
{
    return QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact));
}

} // namespace

QString PageBridge::Call(WebPage& page, const QString& request)
{
    const QJsonObject call = QJsonDocument::fromJson(request.toUtf8()).object();
    const std::string name = call.value("f").toString().toStdString();
    const BridgeFunction* function = FindFunction(name);
    if (!function)
        return "{}";
    std::vector<CallArgument> args;
    for (const QJsonValue& a : call.value("a").toArray())
        args.push_back(a.isString() ? CallArgument(a.toString().toStdString()) : std::nullopt);
    const ReadArguments read = ReadCallArguments(*function, args);
    if (!read.proceed)
        return "{}";

    switch (function->route) {
    case Route::Direct: {
        const DirectHandler* handler = context_.direct.Find(name);
        if (!handler)
            return "{}"; // its subsystem has not registered it: no made-up answer
        const std::string value = (*handler)(read);
        const auto answer = FormatAnswer(function->answer, value);
        if (!answer)
            return "{}";
        return Json({{"v", QString::fromStdString(*answer)}});
    }
    case Route::Message: {
        CWebBaseDlg* host = page.Host();
        const auto route = RouteFor(function->processMessage);
        if (!route || !host)
            return "{}";
        if (!route->carriesHandle) {
            PostWindowMessage(host, route->windowMessage);
            return "{}";
        }
        const qint64 slot = nextSlot_++;
        ReplyTargetPtr target;
        if (read.callbackIndex >= 0)
            target = std::make_shared<PageReplyTarget>(&page, call.value("t").toString(), slot);
        const std::uint32_t handle = context_.pendingCalls.Add(PendingCall{read.text, target});
        PostWindowMessage(host, route->windowMessage, handle);
        if (!target)
            return "{}";
        return Json({{"s", slot}, {"c", read.callbackIndex}});
    }
    case Route::Task:
    case Route::Reporter:
        // Transfer control and progress registration arrive with the transfer engine.
        return "{}";
    }
    return "{}";
}

} // namespace zym::shell
