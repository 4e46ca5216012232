#include "shell/bridge/message_handlers.h"

#include "bridge/window_messages.h"
#include "ops/login_by_key_task.h"
#include "shell/app/shell_context.h"
#include "shell/bridge/show_window.h"
#include "shell/bridge/web_base_dlg.h"

namespace zym::shell {

void HandleWindowMessage(CWebBaseDlg& window, int message, std::uintptr_t wParam)
{
    ShellContext& context = window.Context();
    if (message == kMsgTitleChanged)
        return; // the skinned caption repaints itself; the plain frame needs nothing
    auto call = context.pendingCalls.Claim(static_cast<std::uint32_t>(wParam));
    if (!call)
        return;
    switch (message) {
    case kMsgShowWnd:
        ShowWnd(context, window.Bridge(), call->argument);
        return;
    case kMsgShowAuthorizationDlg:
        // The call's record is not used and its callback is never called.
        ShowAuthorizationDlg(context, window.Bridge());
        return;
    case kMsgLoginByKey:
        context.env.operationPool.Post(std::make_unique<CLoginByKeyTask>(
            context.env, std::move(call->argument), std::move(call->reply)));
        return;
    default:
        // The windows, dialogs and operations behind the other messages come with their own
        // subsystems; until then the claimed call is released unanswered.
        return;
    }
}

} // namespace zym::shell
