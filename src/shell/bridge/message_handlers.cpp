#include "shell/bridge/message_handlers.h"

#include "bridge/handler_registry.h"
#include "bridge/window_messages.h"
#include "shell/app/main_dialog.h"
#include "shell/app/shell_context.h"
#include "shell/bridge/show_window.h"
#include "shell/bridge/web_base_dlg.h"
#include "shell/bridge/web_dialogs.h"
#include "shell/bridge/window_message.h"

namespace zym::shell {

void HandleWindowMessage(CWebBaseDlg& window, int message, std::uintptr_t wParam)
{
    ShellContext& context = window.Context();
    auto call = context.pendingCalls.Claim(static_cast<std::uint32_t>(wParam));
    if (!call)
        return;
    const AsyncHandler* handler = context.handlers.FindAsync(call->function);
    if (!handler)
        return;
    PageCall pageCall;
    pageCall.args.proceed = true;
    pageCall.args.text = std::move(call->argument);
    pageCall.reply = std::move(call->reply);
    pageCall.host = &window;
    (*handler)(pageCall);
}

CWebBaseDlg& HostOf(HostWindow* host)
{
    return *static_cast<CWebBaseDlg*>(host);
}

void RegisterWindowFunctions(HandlerRegistry& registry)
{
    registry.AddAsync("showWnd", [](PageCall& call) {
        CWebBaseDlg& window = HostOf(call.host);
        ShowWnd(window.Context(), window.Bridge(), call.args.text);
    });
    registry.AddAsync("showAuthorizationDlg", [](PageCall& call) {
        // The call's record is not used and its callback is never called.
        CWebBaseDlg& window = HostOf(call.host);
        ShowAuthorizationDlg(window.Context(), window.Bridge());
    });
    // Closing runs from the window's own message, after the page's call has returned.
    registry.AddAsync("closeWnd", [](PageCall& call) { PostWindowMessage(&HostOf(call.host), kMsgClose); });
}

void RegisterMainWindowFunctions(HandlerRegistry& registry, MainDialog& mainDialog)
{
    registry.AddDirect("showLaunchpad", [&mainDialog](const ReadArguments&) {
        mainDialog.ShowLaunchpad();
        return std::string();
    });
}

} // namespace zym::shell
