#pragma once
// Answer texts and argument rules of the desktop functions (clipboard, dragged files, the
// selection and folder dialogs, opening addresses). The shell does the desktop work; these
// decide what goes in and what the page gets back.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zym {

// {"list":[{"path":"..."},...]} with every path JSON-escaped; no paths give {"list":[]}.
std::string FileListAnswer(const std::vector<std::string>& paths);
// {"path":"..."}, JSON-escaped; "" gives {"path":""} (nothing chosen).
std::string FolderAnswer(const std::string& path);
inline constexpr std::string_view kNothingAnswer = "{}";

// setClipboardData: a text longer than 2 characters (UTF-16 units, as the page counts) loses
// its first and last character; pages pass a JSON string with its quotes.
std::string StripOuterCharacters(std::string_view text);

// openUrl: the member "url" of the JSON argument ("" when missing); nullopt when the text is
// not JSON.
std::optional<std::string> OpenUrlArgument(std::string_view text);
// Only web and mail addresses may be handed to the desktop's opener: its handlers would
// otherwise start programs or open local files for any page script.
bool IsOpenableAddress(std::string_view address);

// A chosen download folder as it is stored and answered: with one trailing "/".
std::string FolderWithSlash(std::string path);
// The folder that holds a chosen path (the next selection dialog starts there): the path up to
// its last "/", "/" for an item directly under the root, the path itself when it has no "/".
std::string FolderOfPath(std::string path);

} // namespace zym
