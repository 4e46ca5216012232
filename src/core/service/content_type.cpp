#include "service/content_type.h"

#include "platform/utf16.h"
#include "service/url_encoding.h"

#include <algorithm>

namespace zym {
namespace {

constexpr ContentTypeRow kRows[] = {
#include "service/content_type_table.inc"
};

} // namespace

std::span<const ContentTypeRow> ContentTypeTable()
{
    return kRows;
}

std::string ContentTypeOf(std::string_view key)
{
    const auto dot = key.rfind('.');
    if (dot == std::string_view::npos) {
        return std::string(kDefaultContentType);
    }
    const std::string extension = AsciiLower(key.substr(dot));
    const auto it = std::lower_bound(
        std::begin(kRows), std::end(kRows), extension,
        [](const ContentTypeRow& row, const std::string& ext) { return row.extension < ext; });
    if (it != std::end(kRows) && it->extension == extension) {
        return std::string(it->type);
    }
    return std::string(kDefaultContentType);
}

std::string DispositionOf(std::string_view key)
{
    const auto slash = key.rfind('/');
    const std::string_view name = slash == std::string_view::npos ? key : key.substr(slash + 1);
    return std::string(kDispositionPrefix) + FormEncode(name);
}

} // namespace zym
