#pragma once
// Reading the item lists of the copy and delete arguments: every top-level member whose value
// is an array contributes its elements in order, whatever the member's name.
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace zym {

struct ObjectItem
{
    std::string object;
    std::int64_t filesize = 0;
};

struct ItemArguments
{
    std::map<std::string, std::string> texts; // top-level string members
    std::vector<ObjectItem> items;            // elements with a non-empty "object"

    std::string Text(const std::string& name) const
    {
        const auto it = texts.find(name);
        return it == texts.end() ? "" : it->second;
    }
};

// nullopt when the text is not a JSON object.
std::optional<ItemArguments> ParseItemArguments(const std::string& argument);

} // namespace zym
