#pragma once
// The desktop trash (the freedesktop.org trash layout, home trash only): a file moved
// there keeps its contents and can be restored by the desktop's file manager.
#include <string>

namespace zym {

// $XDG_DATA_HOME/Trash, default ~/.local/share/Trash.
std::string HomeTrashFolder();

// Moves the file at `path` into the home trash: its contents to Trash/files/<name> and a
// Trash/info/<name>.trashinfo record with the original absolute path and the deletion time.
// A name already in the trash gets a ".2", ".3", ... suffix. True when the file is gone from
// `path` and kept in the trash.
bool MoveToTrash(const std::string& path);

} // namespace zym
