#pragma once
// The one escaping rule for texts placed inside JSON strings sent to a page, and the
// reading of JSON arguments that pages pass to ZYMClient functions.
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zym {

// Escapes backslash first (so an escaped quote "\"" becomes "\\\""), then double quote,
// slash, and the control characters. Characters the JSON grammar has no short escape for
// (BEL, vertical tab and the other C0 controls) are written as \u00XX so that the page's
// JSON.parse accepts the reply; every other character passes unchanged.
std::string JsonEscape(std::string_view text);

// The top-level members of a JSON object argument. Names match exactly and by full length;
// when a name occurs twice the later member wins.
class JsonArgs
{
public:
    // Empty optional when the text is not a JSON object.
    static std::optional<JsonArgs> Parse(std::string_view text);

    bool Has(const std::string& name) const { return members_.count(name) != 0; }
    // Every member name once (a repeated name counts once), in byte order.
    std::vector<std::string> Names() const;
    // A string member's text; nullopt when missing or not a string.
    std::optional<std::string> Text(const std::string& name) const;
    // A number member's whole-number part; nullopt when missing or not a number.
    std::optional<std::int64_t> Int(const std::string& name) const;
    // The member's JSON text as written (re-printed compactly); nullopt when missing.
    std::optional<std::string> Raw(const std::string& name) const;

private:
    struct Member
    {
        enum class Kind
        {
            String,
            Number,
            Other
        } kind = Kind::Other;
        std::string text; // string value, or the re-printed JSON for other kinds
        double number = 0;
    };
    std::map<std::string, Member> members_;
};

} // namespace zym
