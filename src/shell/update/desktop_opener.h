#pragma once
// Hands a file to the desktop: the program named by ZYM_INSTALLER_OPENER when that is set
// (tests use a stub), else the desktop's default handler (for a package, its installer).
#include <QString>

namespace zym::shell {

bool OpenWithDesktop(const QString& path);

} // namespace zym::shell
