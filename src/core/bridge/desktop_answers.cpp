#include "bridge/desktop_answers.h"

#include "platform/json_text.h"
#include "platform/utf16.h"

#include <algorithm>
#include <cctype>

namespace zym {

std::string FileListAnswer(const std::vector<std::string>& paths)
{
    std::string answer = "{\"list\":[";
    for (std::size_t i = 0; i < paths.size(); ++i) {
        if (i != 0)
            answer += ',';
        answer += "{\"path\":\"" + JsonEscape(paths[i]) + "\"}";
    }
    return answer + "]}";
}

std::string FolderAnswer(const std::string& path)
{
    return "{\"path\":\"" + JsonEscape(path) + "\"}";
}

std::string StripOuterCharacters(std::string_view text)
{
    std::u16string units = ToUtf16(text);
    if (units.size() <= 2)
        return std::string(text);
    return FromUtf16(units.substr(1, units.size() - 2));
}

std::optional<std::string> OpenUrlArgument(std::string_view text)
{
    const auto args = JsonArgs::Parse(text);
    if (!args)
        return std::nullopt;
    return args->Text("url").value_or(std::string());
}

bool IsOpenableAddress(std::string_view address)
{
    const std::size_t colon = address.find(':');
    if (colon == std::string_view::npos)
        return false;
    std::string scheme(address.substr(0, colon));
    std::transform(scheme.begin(), scheme.end(), scheme.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    const std::string_view rest = address.substr(colon + 1);
    if (scheme == "mailto")
        return !rest.empty();
    // A web address names a host: "http://" and at least one character after it.
    return (scheme == "http" || scheme == "https") && rest.size() > 2 && rest.substr(0, 2) == "//";
}

std::string FolderWithSlash(std::string path)
{
    if (path.empty() || path.back() != '/')
        path += '/';
    return path;
}

std::string FolderOfPath(std::string path)
{
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return path;
    return slash == 0 ? std::string("/") : path.substr(0, slash);
}

} // namespace zym
