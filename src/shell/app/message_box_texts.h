#pragma once
// Native message boxes (the page's alert and confirm, the log-off question) show their buttons
// in the interface language, from the language file's prompt section.
class QMessageBox;

namespace zym::shell {

struct ShellContext;

void UseInterfaceLanguage(QMessageBox& box, const ShellContext& context);

} // namespace zym::shell
