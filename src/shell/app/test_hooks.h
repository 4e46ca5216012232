#pragma once
// Hooks of test builds (ZYM_TEST_HOOKS), through which tests of the real program reach what a
// page cannot: the native dialogs, the clipboard as other programs fill it, drags and drops
// from outside, and a crash. Release builds compile none of it.
//   ZYM_TEST_CRASH=segv|abort|terminate  crash once the first page has loaded
//   ZYM_TEST_CONTROL=<socket path>       one JSON request per connection, one JSON answer
#include <QObject>

namespace zym::shell {

// Starts what the environment asks for; does nothing in release builds.
void StartTestHooks(QObject* owner);

// Crashes the way `kind` says; kept out of line so a crash report's backtrace names it.
[[gnu::noinline]] void TestCrashTrigger(const char* kind);

} // namespace zym::shell
