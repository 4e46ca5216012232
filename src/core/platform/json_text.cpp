#include "platform/json_text.h"

#include <cjson/cJSON.h>
#include <cmath>
#include <cstdio>
#include <limits>
#include <memory>

namespace zym {

std::string JsonEscape(std::string_view text)
{
    std::string out;
    out.reserve(text.size() + 8);
    for (const char c : text) {
        switch (c) {
        case '\\':
            out += "\\\\";
            break;
        case '"':
            out += "\\\"";
            break;
        case '/':
            out += "\\/";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\b':
            out += "\\b";
            break;
        case '\t':
            out += "\\t";
            break;
        case '\f':
            out += "\\f";
            break;
        default:
            if (static_cast<unsigned char>(c) < 0x20) {
                char buf[8];
                std::snprintf(buf, sizeof buf, "\\u%04x",
                              static_cast<unsigned>(static_cast<unsigned char>(c)));
                out += buf;
            } else {
                out.push_back(c);
            }
        }
    }
    return out;
}

std::optional<JsonArgs> JsonArgs::Parse(std::string_view text)
{
    std::unique_ptr<cJSON, decltype(&cJSON_Delete)> root(cJSON_ParseWithLength(text.data(), text.size()),
                                                         &cJSON_Delete);
    if (!root || !cJSON_IsObject(root.get())) {
        return std::nullopt;
    }
    JsonArgs args;
    for (const cJSON* item = root->child; item != nullptr; item = item->next) {
        if (item->string == nullptr) {
            continue;
        }
        Member m;
        if (cJSON_IsString(item)) {
            m.kind = Member::Kind::String;
            m.text = item->valuestring != nullptr ? item->valuestring : "";
        } else if (cJSON_IsNumber(item)) {
            m.kind = Member::Kind::Number;
            m.number = item->valuedouble;
        } else {
            m.kind = Member::Kind::Other;
        }
        if (m.kind != Member::Kind::String) {
            std::unique_ptr<char, decltype(&cJSON_free)> printed(cJSON_PrintUnformatted(item), &cJSON_free);
            m.text = printed ? printed.get() : "";
        }
        args.members_[item->string] = std::move(m); // later member wins
    }
    return args;
}

std::vector<std::string> JsonArgs::Names() const
{
    std::vector<std::string> names;
    names.reserve(members_.size());
    for (const auto& [name, member] : members_) {
        names.push_back(name);
    }
    return names;
}

std::optional<std::string> JsonArgs::Text(const std::string& name) const
{
    auto it = members_.find(name);
    if (it == members_.end() || it->second.kind != Member::Kind::String) {
        return std::nullopt;
    }
    return it->second.text;
}

std::optional<std::int64_t> JsonArgs::Int(const std::string& name) const
{
    auto it = members_.find(name);
    if (it == members_.end() || it->second.kind != Member::Kind::Number) {
        return std::nullopt;
    }
    const double v = std::trunc(it->second.number);
    if (v >= 9.2e18) {
        return std::numeric_limits<std::int64_t>::max();
    }
    if (v <= -9.2e18) {
        return std::numeric_limits<std::int64_t>::min();
    }
    return static_cast<std::int64_t>(v);
}

std::optional<std::string> JsonArgs::Raw(const std::string& name) const
{
    auto it = members_.find(name);
    if (it == members_.end()) {
        return std::nullopt;
    }
    if (it->second.kind == Member::Kind::String) {
        return "\"" + JsonEscape(it->second.text) + "\"";
    }
    return it->second.text;
}

} // namespace zym
