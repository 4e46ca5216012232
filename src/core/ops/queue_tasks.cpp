#include "ops/queue_tasks.h"

#include <cjson/cJSON.h>

namespace zym {

AddFileRequest ParseAddFile(const std::string& argument,
                            const std::function<std::string(const std::string&)>& hostOf)
{
    AddFileRequest request;
    std::unique_ptr<cJSON, decltype(&cJSON_Delete)> root(cJSON_Parse(argument.c_str()), &cJSON_Delete);
    if (!root || !cJSON_IsObject(root.get())) {
        return request;
    }
    std::string location, prefix;
    std::vector<std::string> paths;
    const cJSON* member = nullptr;
    cJSON_ArrayForEach(member, root.get())
    {
        const std::string_view name = member->string != nullptr ? member->string : "";
        if (cJSON_IsString(member) && member->valuestring != nullptr) {
            if (name == "location") {
                location = member->valuestring;
            } else if (name == "bucket") {
                request.bucket = member->valuestring;
            } else if (name == "prefix") {
                prefix = member->valuestring;
            }
        }
        if (!cJSON_IsArray(member)) {
            continue;
        }
        const cJSON* element = nullptr;
        cJSON_ArrayForEach(element, member)
        {
            const cJSON* path = cJSON_GetObjectItemCaseSensitive(element, "path");
            if (cJSON_IsString(path) && path->valuestring != nullptr && path->valuestring[0] != '\0') {
                paths.emplace_back(path->valuestring);
            }
        }
    }
    request.host = hostOf(location);
    for (const std::string& path : paths) {
        request.items.push_back({UploadKeyOf(prefix, path), path});
    }
    return request;
}

std::string LoadingCountScript(std::int64_t count, std::int64_t downloadCount)
{
    return "zymClientCallback('UpdateLoadingCount','{\"count\":" + std::to_string(count) +
           ",\"downloadcount\":" + std::to_string(downloadCount) + "}');";
}

} // namespace zym
