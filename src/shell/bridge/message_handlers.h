#pragma once
// The page functions the shell answers, and the dispatch of the numbered messages that page
// calls send to their hosting window. Each message that carries a PendingCall handle claims the
// record first and runs the handler registered under the call's function name; a handle that
// names no live record (already claimed, or never made) is ignored.
#include <cstdint>

namespace zym {
class HandlerRegistry;
class HostWindow;
} // namespace zym

namespace zym::shell {

class CWebBaseDlg;
class MainDialog;
struct ShellContext;

void HandleWindowMessage(CWebBaseDlg& window, int message, std::uintptr_t wParam);

// The hosting window of a shell handler's call (every page host is a CWebBaseDlg).
CWebBaseDlg& HostOf(HostWindow* host);

// showWnd, showAuthorizationDlg and closeWnd.
void RegisterWindowFunctions(HandlerRegistry& registry);
// showLaunchpad.
void RegisterMainWindowFunctions(HandlerRegistry& registry, MainDialog& mainDialog);

} // namespace zym::shell
