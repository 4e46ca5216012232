#pragma once
// The windows that page calls open: showWnd (normal, sole, single, child) and the
// authorization window.
#include <string>

namespace zym::shell {

struct ShellContext;
class PageBridge;

// Opens, re-targets or runs modally the window the argument asks for; an argument that is not
// a JSON object, or an unknown type, opens nothing. The page's callback is never called.
void ShowWnd(ShellContext& context, PageBridge& bridge, const std::string& argument);

// Runs the authorization page in a modal, non-resizable window.
void ShowAuthorizationDlg(ShellContext& context, PageBridge& bridge);

} // namespace zym::shell
