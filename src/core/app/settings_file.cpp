#include "app/settings_file.h"

#include "platform/utf16.h"

#include <cstdio>

namespace zym {
namespace {

std::string_view Trim(std::string_view s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) {
        s.remove_prefix(1);
    }
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) {
        s.remove_suffix(1);
    }
    return s;
}

bool StartsWith(std::string_view s, std::string_view prefix)
{
    return s.substr(0, prefix.size()) == prefix;
}

std::string Escape(std::string_view text)
{
    std::string out;
    for (const char c : text) {
        switch (c) {
        case '\\':
            out += "\\\\";
            break;
        case '"':
            out += "\\\"";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        default:
            out.push_back(c);
        }
    }
    return out;
}

// Reads a quoted text starting at s[0] == '"'. Sets rest to what follows the closing quote.
std::optional<std::string> Unquote(std::string_view s, std::string_view& rest)
{
    if (s.empty() || s.front() != '"') {
        return std::nullopt;
    }
    std::string out;
    for (std::size_t i = 1; i < s.size(); ++i) {
        const char c = s[i];
        if (c == '"') {
            rest = s.substr(i + 1);
            return out;
        }
        if (c == '\\' && i + 1 < s.size()) {
            const char n = s[++i];
            switch (n) {
            case '\\':
                out.push_back('\\');
                break;
            case '"':
                out.push_back('"');
                break;
            case 'n':
                out.push_back('\n');
                break;
            case 'r':
                out.push_back('\r');
                break;
            default: // a hand-written single backslash stays as it is
                out.push_back('\\');
                out.push_back(n);
            }
            continue;
        }
        out.push_back(c);
    }
    return std::nullopt; // no closing quote
}

int HexDigit(char c)
{
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

// Whether a line may be the continuation of a hex list: list bytes or blank, not the start of
// a value, a key or a comment.
bool CanContinueList(std::string_view line)
{
    const std::string_view t = Trim(line);
    return t.empty() || (t.front() != '"' && t.front() != '@' && t.front() != '[' && t.front() != ';');
}

// "aa,bb,cc" (spaces allowed) into bytes; nullopt when malformed.
std::optional<std::string> HexBytes(std::string_view list)
{
    std::string bytes;
    list = Trim(list);
    while (!list.empty()) {
        list = Trim(list);
        if (list.size() < 2 || HexDigit(list[0]) < 0 || HexDigit(list[1]) < 0) {
            return std::nullopt;
        }
        bytes.push_back(static_cast<char>(HexDigit(list[0]) * 16 + HexDigit(list[1])));
        list.remove_prefix(2);
        list = Trim(list);
        if (!list.empty()) {
            if (list.front() != ',') {
                return std::nullopt;
            }
            list.remove_prefix(1);
            if (Trim(list).empty()) {
                return std::nullopt;
            }
        }
    }
    return bytes;
}

// UTF-16LE bytes of a registry string, up to its first null.
std::string Utf16LeText(const std::string& bytes)
{
    std::u16string units;
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        const char16_t u = static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                                 (static_cast<unsigned char>(bytes[i + 1]) << 8));
        if (u == 0) {
            break;
        }
        units.push_back(u);
    }
    return FromUtf16(units);
}

// The data part after '=': nullopt when malformed. Sets deleted for "-".
std::optional<SettingValue> ParseData(std::string_view data, bool& deleted)
{
    data = Trim(data);
    SettingValue v;
    deleted = false;
    if (data == "-") {
        deleted = true;
        return v;
    }
    if (!data.empty() && data.front() == '"') {
        std::string_view rest;
        auto text = Unquote(data, rest);
        if (!text || !Trim(rest).empty()) {
            return std::nullopt;
        }
        v.type = SettingType::Text;
        v.text = std::move(*text);
        return v;
    }
    if (StartsWith(data, "dword:")) {
        const std::string_view digits = data.substr(6);
        if (digits.empty() || digits.size() > 8) {
            return std::nullopt;
        }
        std::uint32_t n = 0;
        for (const char c : digits) {
            if (HexDigit(c) < 0) {
                return std::nullopt;
            }
            n = (n << 4) | static_cast<std::uint32_t>(HexDigit(c));
        }
        v.type = SettingType::Dword;
        v.dword = n;
        return v;
    }
    if (StartsWith(data, "hex")) {
        std::string_view kind;
        const std::size_t colon = data.find(':');
        if (colon == std::string_view::npos) {
            return std::nullopt;
        }
        kind = data.substr(0, colon);
        auto bytes = HexBytes(data.substr(colon + 1));
        if (!bytes) {
            return std::nullopt;
        }
        if (kind == "hex(1)" || kind == "hex(2)") {
            v.type = kind == "hex(1)" ? SettingType::Text : SettingType::ExpandText;
            v.text = Utf16LeText(*bytes);
        } else if (kind == "hex(4)" && bytes->size() == 4) {
            v.type = SettingType::Dword;
            for (int i = 3; i >= 0; --i) {
                v.dword = (v.dword << 8) | static_cast<unsigned char>((*bytes)[static_cast<std::size_t>(i)]);
            }
        } else if (kind == "hex" || (kind.size() > 5 && StartsWith(kind, "hex(") && kind.back() == ')')) {
            v.type = SettingType::Other;
        } else {
            return std::nullopt;
        }
        return v;
    }
    return std::nullopt;
}

} // namespace

std::optional<SettingsFile> SettingsFile::Parse(std::string_view bytes)
{
    std::string converted;
    if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
        static_cast<unsigned char>(bytes[1]) == 0xFE) {
        std::u16string units;
        for (std::size_t i = 2; i + 1 < bytes.size(); i += 2) {
            units.push_back(static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                                  (static_cast<unsigned char>(bytes[i + 1]) << 8)));
        }
        converted = FromUtf16(units);
        bytes = converted;
    } else if (StartsWith(bytes, "\xEF\xBB\xBF")) {
        bytes.remove_prefix(3);
    }

    // Split into lines, joining the backslash continuations of long hex lists.
    std::vector<std::string> physical;
    for (std::size_t start = 0; start <= bytes.size();) {
        std::size_t end = bytes.find('\n', start);
        if (end == std::string_view::npos) {
            end = bytes.size();
        }
        std::string line(bytes.substr(start, end - start));
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        physical.push_back(std::move(line));
        start = end + 1;
    }
    while (!physical.empty() && Trim(physical.back()).empty()) {
        physical.pop_back();
    }

    std::size_t i = 0;
    while (i < physical.size() && Trim(physical[i]).empty()) {
        ++i;
    }
    if (i == physical.size() || (Trim(physical[i]) != kHeader && Trim(physical[i]) != "REGEDIT4")) {
        return std::nullopt;
    }
    ++i;

    SettingsFile file;
    bool inKey = false;
    for (; i < physical.size(); ++i) {
        Line line;
        line.raw = physical[i];
        std::string_view t = Trim(line.raw);
        if (t.empty() || t.front() == ';') {
            file.lines_.push_back(std::move(line));
            continue;
        }
        if (t.front() == '[') {
            if (t.back() != ']') {
                // The values below belong to no key that can be named: none of them are ours.
                inKey = false;
                file.KeepUnreadable(std::move(line));
                continue;
            }
            inKey = AsciiLower(t) == AsciiLower(kKey);
            file.lines_.push_back(std::move(line));
            continue;
        }
        std::string name;
        std::string_view rest;
        if (t.front() == '@') {
            rest = t.substr(1);
        } else {
            auto n = Unquote(t, rest);
            if (!n) {
                file.KeepUnreadable(std::move(line));
                continue;
            }
            name = std::move(*n);
        }
        rest = Trim(rest);
        if (rest.empty() || rest.front() != '=') {
            file.KeepUnreadable(std::move(line));
            continue;
        }
        std::string data(rest.substr(1));
        // A hex list may continue on the next lines, each ending with a backslash. A line that
        // starts a value, a key or a comment never continues one: a value written after a list
        // whose last line ends in a stray backslash stays a value of its own.
        if (StartsWith(Trim(data), "hex")) {
            while (!data.empty() && Trim(data).back() == '\\' && i + 1 < physical.size() &&
                   CanContinueList(physical[i + 1])) {
                data = std::string(Trim(data));
                data.pop_back();
                line.raw += "\n" + physical[++i];
                data += std::string(Trim(physical[i]));
            }
        }
        bool deleted = false;
        auto value = ParseData(data, deleted);
        if (!value) {
            file.KeepUnreadable(std::move(line));
            continue;
        }
        line.ours = inKey;
        line.deleted = deleted;
        line.name = std::move(name);
        line.value = std::move(*value);
        file.lines_.push_back(std::move(line));
    }
    return file;
}

void SettingsFile::KeepUnreadable(Line line)
{
    // Kept as written (a later write leaves it in place) and never read as a value.
    line.ours = false;
    lines_.push_back(std::move(line));
    ++unreadableLines_;
}

const SettingValue* SettingsFile::Find(std::string_view name) const
{
    const std::string wanted = AsciiLower(name);
    const SettingValue* found = nullptr;
    for (const Line& line : lines_) {
        if (line.ours && AsciiLower(line.name) == wanted) {
            found = line.deleted ? nullptr : &line.value; // a later line wins, as an import does
        }
    }
    return found;
}

std::string SettingsFile::FormatValueLine(std::string_view name, const SettingValue& value)
{
    std::string line = "\"" + Escape(name) + "\"=";
    if (value.type == SettingType::Dword) {
        char buf[16];
        std::snprintf(buf, sizeof buf, "dword:%08x", value.dword);
        line += buf;
    } else {
        line += "\"" + Escape(value.text) + "\"";
    }
    return line;
}

void SettingsFile::Set(std::string_view name, const SettingValue& value)
{
    const std::string wanted = AsciiLower(name);
    Line line;
    line.raw = FormatValueLine(name, value);
    line.ours = true;
    line.name = std::string(name);
    line.value = value;

    // Drop every earlier line of the value; the new one goes where the key's values end.
    std::vector<Line> kept;
    std::size_t insertAt = std::string::npos;
    bool inKey = false;
    for (Line& l : lines_) {
        std::string_view t = Trim(l.raw);
        if (!t.empty() && t.front() == '[') {
            inKey = AsciiLower(t) == AsciiLower(kKey);
        }
        if (l.ours && AsciiLower(l.name) == wanted) {
            continue;
        }
        kept.push_back(std::move(l));
        if (inKey && !t.empty()) {
            insertAt = kept.size();
        }
    }
    if (insertAt == std::string::npos) {
        if (!kept.empty() && !Trim(kept.back().raw).empty()) {
            kept.push_back(Line{});
        }
        if (kept.empty()) {
            kept.push_back(Line{});
        }
        Line key;
        key.raw = std::string(kKey);
        kept.push_back(std::move(key));
        insertAt = kept.size();
    }
    kept.insert(kept.begin() + static_cast<std::ptrdiff_t>(insertAt), std::move(line));
    lines_ = std::move(kept);
}

std::string SettingsFile::Serialize() const
{
    std::string out(kHeader);
    out += "\n";
    // Blank lines at the end are not written: reading drops them, so a file whose last value was
    // replaced (its new line goes after the key's last value) reads back and rewrites the same.
    std::size_t end = lines_.size();
    while (end > 0 && Trim(lines_[end - 1].raw).empty()) {
        --end;
    }
    for (std::size_t i = 0; i < end; ++i) {
        out += lines_[i].raw;
        out += "\n";
    }
    return out;
}

} // namespace zym
