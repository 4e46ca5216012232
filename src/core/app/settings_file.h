#pragma once
// The text form of the settings file: a registry export.
//
//   Windows Registry Editor Version 5.00
//
//   [HKEY_CURRENT_USER\Software\ZymClient]
//   "DownloadMax"=dword:00000005
//   "SavePath"="/home/me/Downloads"
//
// Values keep their registry type. Text values escape backslash and double quote with a
// backslash (and line breaks as \n, \r, which a one-line value cannot hold otherwise);
// "hex(1):" and "hex(2):" lists are read as text and expandable text, and other hex lists are
// kept as values of another type. Lines outside the program's key and values the program does
// not know are kept as written when a value is changed.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zym {

enum class SettingType
{
    Dword,
    Text,
    ExpandText,
    Other
};

struct SettingValue
{
    SettingType type = SettingType::Other;
    std::uint32_t dword = 0;
    std::string text; // Text and ExpandText
};

class SettingsFile
{
public:
    static constexpr std::string_view kHeader = "Windows Registry Editor Version 5.00";
    static constexpr std::string_view kKey = "[HKEY_CURRENT_USER\\Software\\ZymClient]";

    // Parses a whole file (UTF-8, or UTF-16LE with its byte order mark). nullopt when the text
    // is not a registry export (a wrong header). A line that is neither a key, a value, a
    // comment nor blank is kept as written and ignored, so one bad line costs only itself.
    static std::optional<SettingsFile> Parse(std::string_view bytes);

    // How many lines Parse kept as written because they could not be read.
    int UnreadableLines() const { return unreadableLines_; }

    // A value of the program's key, by name (compared ignoring ASCII case, as the registry does).
    const SettingValue* Find(std::string_view name) const;
    // Replaces every line of the value, or adds it at the end of the program's key.
    void Set(std::string_view name, const SettingValue& value);

    std::string Serialize() const;

private:
    struct Line
    {
        std::string raw;      // as read or as generated
        bool ours = false;    // a value line of the program's key
        bool deleted = false; // "Name"=- : the value is absent
        std::string name;     // for value lines
        SettingValue value;   // for value lines
    };

    static std::string FormatValueLine(std::string_view name, const SettingValue& value);

    void KeepUnreadable(Line line);

    std::vector<Line> lines_; // every line after the header
    int unreadableLines_ = 0;
};

} // namespace zym
