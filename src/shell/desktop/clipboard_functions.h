#pragma once
// The clipboard as pages use it: they put text on it and read the files a file manager copied.
#include <string>
#include <vector>

namespace zym::shell {

// setClipboardData: the text without its outer characters (pages pass it JSON-quoted), as
// Unicode text.
void SetClipboardData(const std::string& text);
// The local files on the clipboard (text/uri-list, as file managers put it), in their order;
// text on the clipboard is never read.
std::vector<std::string> ClipboardFiles();
// getClipboardData: the file list, or "{}" when the clipboard holds no files.
std::string GetClipboardData();

} // namespace zym::shell
