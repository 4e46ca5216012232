#include "ops/page_arguments.h"

#include <cjson/cJSON.h>
#include <memory>

namespace zym {

std::optional<ItemArguments> ParseItemArguments(const std::string& argument)
{
    std::unique_ptr<cJSON, decltype(&cJSON_Delete)> root(cJSON_Parse(argument.c_str()), &cJSON_Delete);
    if (!root || !cJSON_IsObject(root.get())) {
        return std::nullopt;
    }
    ItemArguments args;
    const cJSON* member = nullptr;
    cJSON_ArrayForEach(member, root.get())
    {
        if (member->string != nullptr && cJSON_IsString(member) && member->valuestring != nullptr) {
            args.texts[member->string] = member->valuestring;
        }
        if (!cJSON_IsArray(member)) {
            continue;
        }
        const cJSON* element = nullptr;
        cJSON_ArrayForEach(element, member)
        {
            const cJSON* object = cJSON_GetObjectItemCaseSensitive(element, "object");
            if (!cJSON_IsString(object) || object->valuestring == nullptr || object->valuestring[0] == '\0') {
                continue;
            }
            ObjectItem item{object->valuestring, 0};
            const cJSON* size = cJSON_GetObjectItemCaseSensitive(element, "filesize");
            if (cJSON_IsNumber(size)) {
                item.filesize = static_cast<std::int64_t>(size->valuedouble);
            }
            args.items.push_back(std::move(item));
        }
    }
    return args;
}

} // namespace zym
