#pragma once
// Helpers of the page-operation tests against the local service: a request counter built on a
// harmless fault rule, services for the tasks, and object seeding.
#include "app/language_document.h"
#include "app/log.h"
#include "live_service.h"
#include "ops/ops_services.h"
#include "test_paths.h"

#include <thread>

namespace zymtest {

// Counts the service requests that match a rule (a 1 ms delay changes nothing else).
class RequestCounter
{
public:
    explicit RequestCounter(const std::string& match)
    {
        JsonPtr answer = Control("POST", "/_control/faults", "{" + match + ",\"delay_ms\":1}");
        const cJSON* id = answer ? cJSON_GetObjectItemCaseSensitive(answer.get(), "id") : nullptr;
        EXPECT_TRUE(cJSON_IsNumber(id)) << match;
        id_ = cJSON_IsNumber(id) ? id->valueint : -1;
    }
    ~RequestCounter() { Control("DELETE", "/_control/faults/" + std::to_string(id_)); }
    RequestCounter(const RequestCounter&) = delete;
    RequestCounter& operator=(const RequestCounter&) = delete;

    int Seen() const
    {
        JsonPtr rules = Control("GET", "/_control/faults");
        const cJSON* rule = nullptr;
        const cJSON* list = rules && cJSON_IsArray(rules.get())
                                ? rules.get()
                                : cJSON_GetObjectItemCaseSensitive(rules.get(), "rules");
        cJSON_ArrayForEach(rule, list)
        {
            const cJSON* id = cJSON_GetObjectItemCaseSensitive(rule, "id");
            if (cJSON_IsNumber(id) && id->valueint == id_) {
                return cJSON_GetObjectItemCaseSensitive(rule, "seen")->valueint;
            }
        }
        ADD_FAILURE() << "rule " << id_ << " not found";
        return -1;
    }

private:
    int id_ = -1;
};

// The English language file of the source tree: failure texts are real ones.
inline zym::LanguageDocument& EnglishTexts()
{
    static zym::LanguageDocument document;
    static const bool loaded = document.Load(zymtest::SourceDir() + "/language/default-en.xml");
    EXPECT_TRUE(loaded);
    return document;
}

inline zym::OpsServices LiveServices()
{
    static zym::Log log;
    return zym::OpsServices{
        [](const std::string& location) { return LiveCall(location.empty() ? kLocation : location); },
        EnglishTexts(), [] { return 2; }, log};
}

inline void PutMany(const std::string& bucket, const std::vector<std::string>& keys,
                    const std::string& body = "v")
{
    constexpr int kWorkers = 4;
    std::vector<std::thread> workers;
    for (int w = 0; w < kWorkers; ++w) {
        workers.emplace_back([&, w] {
            for (std::size_t i = static_cast<std::size_t>(w); i < keys.size(); i += kWorkers) {
                zym::CZymRet reply;
                EXPECT_TRUE(zym::PutObject(LiveCall(), bucket, keys[i], body, {}, reply))
                    << keys[i] << " " << reply.Code;
            }
        });
    }
    for (auto& t : workers) {
        t.join();
    }
}

inline std::vector<std::string> ListAll(const std::string& bucket, const std::string& prefix = "",
                                        const std::string& location = kLocation)
{
    std::vector<std::string> keys;
    std::string marker;
    for (;;) {
        zym::CZymListObjectRet list;
        if (!zym::ListObjects(LiveCall(location), bucket, list, prefix, marker, "", "1000")) {
            ADD_FAILURE() << "listing " << bucket << " failed: " << list.Code;
            return keys;
        }
        for (const auto& e : list.Entries) {
            keys.push_back(e.Key.empty() ? e.Prefix : e.Key);
        }
        if (list.NextMarker.empty()) {
            return keys;
        }
        marker = list.NextMarker;
    }
}

} // namespace zymtest
