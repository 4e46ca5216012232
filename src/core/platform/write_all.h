#pragma once
// Writes a whole buffer to a file descriptor, going on after short writes and signals.
#include <string_view>

namespace zym {

// False when the descriptor refuses more bytes (disk full, closed, I/O error).
bool WriteAll(int fd, std::string_view data);

} // namespace zym
