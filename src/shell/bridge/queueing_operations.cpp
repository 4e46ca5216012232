#include "shell/bridge/queueing_operations.h"

#include "bridge/handler_registry.h"
#include "ops/queue_tasks.h"
#include "platform/json_text.h"
#include "service/session_call.h"
#include "shell/app/shell_context.h"
#include "shell/bridge/message_handlers.h"
#include "shell/bridge/web_base_dlg.h"
#include "shell/ui/copy_message.h"

namespace zym::shell {

namespace {

// Nothing is queued before a login has opened the account's queue.
bool AnswerClosedQueue(const QueueingParts& parts, PageCall& call)
{
    if (parts.queueOpen && parts.queueOpen()) {
        return false;
    }
    const ShellContext& context = HostOf(call.host).Context();
    context.log.WriteLog("[queueing][no transfer queue is open]", true);
    DeliverReply(call.reply, "{\"error\":1,\"message\":\"" +
                                 JsonEscape(context.language.String("prompt", "QueueClosed")) + "\"}");
    return true;
}

} // namespace

void RegisterQueueingOperations(HandlerRegistry& registry, std::shared_ptr<QueueingParts> parts)
{
    registry.AddAsync("addFile", [parts](PageCall& call) {
        if (AnswerClosedQueue(*parts, call)) {
            return;
        }
        ShellContext& context = HostOf(call.host).Context();
        const auto hostOf = [&context](const std::string& location) {
            return SessionCall(context.session, context.settings, location).host;
        };
        UploadQueueLimits limits;
        limits.maxUploadText = context.language.String("prompt", "MaxUploadError");
        context.operationPool.Post(std::make_unique<CAddObjectTask>(
            parts->queue, parts->uploads, ParseAddFile(call.args.text, hostOf), limits, call.reply));
    });
    registry.AddAsync("saveFile", [parts](PageCall& call) {
        if (AnswerClosedQueue(*parts, call)) {
            return;
        }
        CWebBaseDlg& window = HostOf(call.host);
        ShellContext& context = window.Context();
        std::optional<SaveFileRequest> request = ParseSaveFile(call.args.text);
        if (!request) {
            return; // no task and no reply
        }
        DialogClashQuestion question(context.language, &window);
        std::optional<std::vector<DownloadItem>> items =
            PlaceDownloads(std::move(*request), question, [&context](const std::string& location) {
                return SessionCall(context.session, context.settings, location).host;
            });
        if (!items) {
            return; // closed at a clash: the whole call is cancelled, unanswered
        }
        auto queueing = std::make_shared<DownloadQueueing>(DownloadQueueing{
            parts->queue, parts->downloads, parts->stopLoad,
            [&context](const std::string& location) {
                return SessionCall(context.session, context.settings, location);
            },
            [parts](std::int64_t count, std::int64_t total) {
                if (parts->runInLaunchpad) {
                    parts->runInLaunchpad(LoadingCountScript(count, total));
                }
            },
            context.language.String("prompt", "DownloadDir"), context.page.language.load(), context.log});
        context.operationPool.Post(std::make_unique<CSaveFileTask>(queueing, std::move(*items), call.reply));
    });
}

} // namespace zym::shell
