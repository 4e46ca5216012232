#include "app/ui_config.h"

#include <cjson/cJSON.h>
#include <cstdio>
#include <memory>

namespace zym {
namespace {

struct FileCloser
{
    void operator()(std::FILE* f) const { std::fclose(f); }
};
struct JsonDeleter
{
    void operator()(cJSON* j) const { cJSON_Delete(j); }
};

} // namespace

UiConfig ReadUiConfig(const std::string& path)
{
    UiConfig config;
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
    if (!file)
        return config;
    std::string whole;
    char buffer[8192];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, file.get())) > 0)
        whole.append(buffer, n);
    if (std::ferror(file.get()) || whole.size() <= 2)
        return config;
    // A UTF-8 byte order mark is not part of the text.
    if (whole.rfind("\xEF\xBB\xBF", 0) == 0)
        whole.erase(0, 3);
    for (char c : whole) {
        if (c != '\r' && c != '\n')
            config.text.push_back(c);
    }
    std::unique_ptr<cJSON, JsonDeleter> root(cJSON_Parse(config.text.c_str()));
    if (root && cJSON_IsObject(root.get())) {
        // The last member of a name wins, as everywhere page JSON is read.
        for (cJSON* m = root->child; m; m = m->next) {
            if (m->string && std::string(m->string) == "source")
                config.source = cJSON_IsString(m) && m->valuestring ? m->valuestring : "";
        }
    }
    return config;
}

} // namespace zym
