#include "ops/transfer_selection.h"

#include <cjson/cJSON.h>
#include <cmath>
#include <memory>

namespace zym {

namespace {

// "Above 0" as the page's integer reading gives it: a number's whole part, true as 1.
bool Positive(const cJSON* item)
{
    if (cJSON_IsBool(item)) {
        return cJSON_IsTrue(item);
    }
    return cJSON_IsNumber(item) && std::trunc(item->valuedouble) > 0;
}

std::string StringMember(const cJSON* element, const char* name)
{
    std::string value;
    for (const cJSON* m = element->child; m != nullptr; m = m->next) {
        if (m->string != nullptr && std::string_view(m->string) == name && cJSON_IsString(m)) {
            value = m->valuestring; // a repeated key: the later one wins
        }
    }
    return value;
}

} // namespace

TransferSelection ParseTransferSelection(std::string_view text)
{
    TransferSelection selection;
    std::unique_ptr<cJSON, decltype(&cJSON_Delete)> json(cJSON_ParseWithLength(text.data(), text.size()),
                                                         &cJSON_Delete);
    if (!json || !cJSON_IsObject(json.get())) {
        return selection;
    }
    for (const cJSON* member = json->child; member != nullptr; member = member->next) {
        const std::string_view key = member->string != nullptr ? member->string : "";
        if (key == "all") {
            selection.all = Positive(member);
        } else if (key == "finish") {
            selection.finish = Positive(member);
        }
        if (!cJSON_IsArray(member)) {
            continue;
        }
        for (const cJSON* element = member->child; element != nullptr; element = element->next) {
            SelectionItem item;
            if (cJSON_IsObject(element)) {
                item.bucket = StringMember(element, "bucket");
                item.object = StringMember(element, "object");
                item.fullpath = StringMember(element, "fullpath");
            }
            selection.items.push_back(std::move(item));
        }
    }
    return selection;
}

} // namespace zym
