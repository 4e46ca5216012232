#pragma once
// Where the program keeps its files on this platform (XDG base directories).
#include <string>

namespace zym {

// $XDG_CONFIG_HOME/ZymClient (default ~/.config/ZymClient): the settings file lives here.
std::string ConfigFolder();
// $XDG_DATA_HOME/ZYMClient (default ~/.local/share/ZYMClient): databases, logs, caches.
std::string DataFolder();
// $TMPDIR, else /tmp.
std::string TempFolder();
// The user's own folder for the single-instance lock and socket: $XDG_RUNTIME_DIR when it is
// an absolute path to a folder of this user that no one else may write to; else
// "<TempFolder()>/zymclient-<uid>", made with mode 0700 and used only when it is a real folder
// (no link) of this user with that mode. Empty when neither holds; `why` then says what failed.
std::string RuntimeFolder(std::string& why);
// Creates the folder and any missing parents; true when it exists afterwards.
bool MakeFolders(const std::string& path);

} // namespace zym
