#pragma once
// A description of the program's web windows for tests of the real program, written only when
// the environment variable ZYM_WINDOW_REPORT names a file. Pages cannot reach it: it is a file
// the person who started the program chose, rewritten after windows appear, move, resize,
// change page, become modal or go.
namespace zym::shell {

// Schedules one rewrite of the report on the main thread; cheap when the report is off.
void NoteWindowsChanged();

} // namespace zym::shell
