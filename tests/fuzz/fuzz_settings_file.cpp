// The settings file as read from disk: any bytes. A file that parses must keep its values
// through a change and a rewrite, as the program rewrites it on every saved setting.
#include "app/settings_file.h"
#include "fuzz_check.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace {

bool SameValue(const zym::SettingValue* a, const zym::SettingValue* b)
{
    if (a == nullptr || b == nullptr) {
        return a == b;
    }
    if (a->type != b->type) {
        return false;
    }
    return a->type == zym::SettingType::Dword ? a->dword == b->dword : a->text == b->text;
}

std::string WithoutCarriageReturns(std::string text)
{
    std::erase(text, '\r');
    return text;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    auto file = zym::SettingsFile::Parse(bytes);
    if (!file) {
        return 0;
    }
    static constexpr std::string_view kNames[] = {"SavePath", "DownloadMax", "UIPath", "Language", "Proxy"};
    for (std::string_view name : kNames) {
        (void)file->Find(name);
    }

    // A text value made of the input's last bytes (quotes, backslashes, line breaks and all),
    // and a number, written as the program writes them.
    zym::SettingValue text;
    text.type = zym::SettingType::Text;
    text.text = std::string(bytes.substr(size > 32 ? size - 32 : 0));
    zym::SettingValue number;
    number.type = zym::SettingType::Dword;
    number.dword = static_cast<std::uint32_t>(size * 2654435761u);
    file->Set("SavePath", text);
    file->Set("downloadmax", number);

    const std::string written = file->Serialize();
    const auto reread = zym::SettingsFile::Parse(written);
    FUZZ_CHECK(reread.has_value());
    FUZZ_CHECK(SameValue(reread->Find("SavePath"), file->Find("SavePath")));
    FUZZ_CHECK(SameValue(reread->Find("DownloadMax"), &number));
    for (std::string_view name : kNames) {
        FUZZ_CHECK(SameValue(reread->Find(name), file->Find(name)));
    }
    // Rewriting what was read changes no line (a line's last carriage return is dropped on
    // reading, as a CRLF file's is, so carriage returns are left out of the comparison).
    FUZZ_CHECK(WithoutCarriageReturns(reread->Serialize()) == WithoutCarriageReturns(written));
    return 0;
}
