#pragma once
// Content-Type of an uploaded object from its key's extension (a fixed table built from standard
// media-type registries), and the Content-Disposition that makes browsers save the object under
// its own name.
#include <span>
#include <string>
#include <string_view>

namespace zym {

inline constexpr std::string_view kDefaultContentType = "application/octet-stream";
inline constexpr std::string_view kDispositionPrefix = "attachment;filename*=utf-8''";

struct ContentTypeRow
{
    std::string_view extension; // lower-case, with its leading dot
    std::string_view type;
};

// The whole table, sorted by extension bytes.
std::span<const ContentTypeRow> ContentTypeTable();

// Looks up the text from the key's last "." (anywhere in the key, also inside a folder part) to
// its end, ASCII-lower-cased; "application/octet-stream" when there is no dot or no row.
std::string ContentTypeOf(std::string_view key);

// "attachment;filename*=utf-8''" + FormEncode of the text after the key's last "/".
std::string DispositionOf(std::string_view key);

} // namespace zym
