#pragma once
// Start-up timestamps, for finding where the time of a start goes. When the environment names a
// file in ZYM_STARTUP_TRACE, every mark appends one line "<microseconds since the epoch> <name>"
// to it (the wall clock, so that a program that started this one can set the lines against its
// own clock); without it a mark costs one check of a flag read once.
#include <string_view>

namespace zym {

void StartupMark(std::string_view name);

} // namespace zym
