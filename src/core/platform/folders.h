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
// Creates the folder and any missing parents; true when it exists afterwards.
bool MakeFolders(const std::string& path);

} // namespace zym
