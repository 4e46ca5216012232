#pragma once
// The program's run: start-up in its fixed order, the main window's event loop, and the
// release of what start-up made.
namespace zym::shell {

// Returns the process exit code.
int RunApplication(int argc, char** argv);

} // namespace zym::shell
