#include "shell/bridge/page_operations.h"

#include "bridge/handler_registry.h"
#include "ops/copy_object_task.h"
#include "ops/delete_tasks.h"
#include "service/session_call.h"
#include "shell/app/shell_context.h"
#include "shell/bridge/message_handlers.h"
#include "shell/bridge/web_base_dlg.h"
#include "shell/ui/copy_dlg.h"

#include <QTimer>

namespace zym::shell {
namespace {

OpsServices ServicesOf(ShellContext& context)
{
    return OpsServices{[&context](const std::string& location) {
                           return SessionCall(context.session, context.settings, location);
                       },
                       context.language, [&context] { return context.page.language.load(); }, context.log};
}

// Shows the dialog modally; once it is up, the task made by `makeTask` goes to the pool.
void RunWithDialog(ShellContext& context, QWidget* owner, CCopyDlg::Mode mode,
                   const std::function<TaskPtr(std::shared_ptr<OperationProgress>)>& makeTask)
{
    CCopyDlg dialog(context.language, mode, owner);
    auto progress = std::make_shared<DialogProgress>(&dialog);
    QTimer::singleShot(0, &dialog, [&] {
        if (!context.operationPool.Post(makeTask(progress))) {
            dialog.close(); // the pool only refuses while shutting down
        }
    });
    dialog.exec();
}

} // namespace

void RunCopyObject(ShellContext& context, QWidget* owner, std::string argument, ReplyTargetPtr reply)
{
    RunWithDialog(context, owner, CCopyDlg::Mode::Copy, [&](std::shared_ptr<OperationProgress> progress) {
        return std::make_unique<CCopyObjectTask>(ServicesOf(context), std::move(argument), reply,
                                                 std::move(progress));
    });
}

void RunDeleteObject(ShellContext& context, QWidget* owner, std::string argument, ReplyTargetPtr reply)
{
    RunWithDialog(context, owner, CCopyDlg::Mode::Delete, [&](std::shared_ptr<OperationProgress> progress) {
        return std::make_unique<CDeleteObjectTask>(ServicesOf(context), std::move(argument), reply,
                                                   std::move(progress));
    });
}

void RunDeleteBucket(ShellContext& context, QWidget* owner, std::string argument, ReplyTargetPtr reply,
                     std::function<void(const std::string&)> discardBucket)
{
    // A wrong key pair or a broken argument is answered before any dialog opens.
    BucketDeletion deletion =
        CheckBucketDeletion(argument, context.session.Current()->Keys(), context.language);
    if (!deletion.reply.empty()) {
        DeliverReply(reply, deletion.reply);
        return;
    }
    RunWithDialog(context, owner, CCopyDlg::Mode::Delete, [&](std::shared_ptr<OperationProgress> progress) {
        return std::make_unique<CDeleteBucketTask>(ServicesOf(context), deletion.bucket, deletion.location,
                                                   reply, std::move(progress), discardBucket);
    });
}

void RegisterPageOperationFunctions(HandlerRegistry& registry,
                                    std::function<void(const std::string&)> discardBucket)
{
    registry.AddAsync("copyObject", [](PageCall& call) {
        CWebBaseDlg& window = HostOf(call.host);
        RunCopyObject(window.Context(), &window, std::move(call.args.text), std::move(call.reply));
    });
    registry.AddAsync("deleteObject", [](PageCall& call) {
        CWebBaseDlg& window = HostOf(call.host);
        RunDeleteObject(window.Context(), &window, std::move(call.args.text), std::move(call.reply));
    });
    registry.AddAsync("deleteBucket", [discardBucket](PageCall& call) {
        CWebBaseDlg& window = HostOf(call.host);
        RunDeleteBucket(window.Context(), &window, std::move(call.args.text), std::move(call.reply),
                        discardBucket);
    });
}

} // namespace zym::shell
