#include "shell/bridge/page_bridge.h"

#include "bridge/catalogue.h"
#include "bridge/unbuilt_functions.h"
#include "bridge/window_messages.h"
#include "shell/app/shell_context.h"
#include "shell/bridge/web_base_dlg.h"
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

    const bool hasCallback = read.callbackIndex >= 0;
    ReplyTargetPtr target;
    qint64 slot = 0;
    if (hasCallback) {
        slot = nextSlot_++;
        target = std::make_shared<PageReplyTarget>(&page, call.value("t").toString(), slot);
    }
    // The page waits on the slot only when something will answer it.
    // A progress registration's callback is kept for every later report ("k").
    QJsonObject waitingCall{{"s", slot}, {"c", read.callbackIndex}};
    if (function->route == Route::Reporter)
        waitingCall.insert("k", 1);
    const QString waiting = hasCallback ? Json(waitingCall) : QString("{}");

    if (function->route == Route::Direct) {
        if (const DirectHandler* handler = context_.handlers.FindDirect(name)) {
            const auto answer = FormatAnswer(function->answer, (*handler)(read));
            return answer ? Json({{"v", QString::fromStdString(*answer)}}) : QString("{}");
        }
    }
    const AsyncHandler* handler = context_.handlers.FindAsync(name);
    if (function->route == Route::Direct || !handler) {
        const auto value = AnswerUnbuilt(*function, target, context_.language, context_.log);
        if (value)
            return Json({{"v", QString::fromStdString(*value)}});
        return waiting;
    }

    CWebBaseDlg* host = page.Host();
    if (function->route == Route::Message) {
        const auto route = RouteFor(function->processMessage);
        if (!route || !host)
            return "{}";
        if (route->carriesHandle) {
            // The hosting window's handler claims the record when the message arrives.
            const std::uint32_t handle =
                context_.pendingCalls.Add(PendingCall{read.text, target, std::string(function->name)});
            // A window that goes before its message arrives leaves no record behind: claiming
            // after the handler ran finds nothing.
            PostWindowMessage(host, route->windowMessage, handle,
                              [&calls = context_.pendingCalls, handle] { calls.Claim(handle); });
            return waiting;
        }
    }
    PageCall pageCall{read, target, host};
    (*handler)(pageCall);
    return waiting;
}

} // namespace zym::shell
