#pragma once
// Access to the local ZYM service started by the zym_service fixture: its endpoint, a signed
// call for a location, a fresh bucket per test, and its control API (fault rules, recorded
// upload callbacks).
#include "service/service_host.h"
#include "service/service_operations.h"
#include "test_paths.h"

#include <cjson/cJSON.h>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <random>
#include <string>

namespace zymtest {

inline const char* kLocation = "l1";

inline std::string LiveEndpoint()
{
    std::ifstream in(zymtest::BinaryDir() + "/zym-service/endpoint");
    std::string line;
    std::getline(in, line);
    while (!line.empty() && std::isspace(static_cast<unsigned char>(line.back()))) {
        line.pop_back();
    }
    return line;
}

inline zym::ServiceCall LiveCall(const std::string& location = kLocation)
{
    zym::ServiceEndpoint endpoint{"", location, zym::ServiceDomainSuffix(LiveEndpoint())};
    zym::ServiceCall call;
    call.keys = {"test-key-id", "test-key-secret"};
    call.host = zym::ServiceHost(endpoint, location);
    return call;
}

inline std::string UniqueBucket(const std::string& stem)
{
    std::random_device seed;
    return stem + "-" + std::to_string(seed() % 100000000u);
}

using JsonPtr = std::unique_ptr<cJSON, decltype(&cJSON_Delete)>;

// An unsigned request to the service's control API; returns the parsed JSON answer.
inline JsonPtr Control(const std::string& method, const std::string& path, const std::string& body = "")
{
    zym::curl_delegate curl;
    zym::HttpRequest request;
    request.url = "http://" + LiveEndpoint() + path;
    request.method = method;
    request.body = body;
    if (!body.empty()) {
        request.headers.emplace_back("Content-Type", "application/json");
    }
    zym::HttpResponse response;
    if (!zym::PerformRequest(curl, request, response)) {
        return JsonPtr(nullptr, &cJSON_Delete);
    }
    return JsonPtr(cJSON_Parse(response.body.c_str()), &cJSON_Delete);
}

// A fault rule for the lifetime of the object, removed by its id.
class FaultRule
{
public:
    explicit FaultRule(const std::string& json)
    {
        JsonPtr answer = Control("POST", "/_control/faults", json);
        const cJSON* id = answer ? cJSON_GetObjectItemCaseSensitive(answer.get(), "id") : nullptr;
        EXPECT_TRUE(cJSON_IsNumber(id)) << "rule refused: " << json;
        id_ = cJSON_IsNumber(id) ? id->valueint : -1;
    }
    ~FaultRule()
    {
        if (id_ >= 0) {
            Control("DELETE", "/_control/faults/" + std::to_string(id_));
        }
    }
    FaultRule(const FaultRule&) = delete;
    FaultRule& operator=(const FaultRule&) = delete;

    // How many requests the rule has acted on so far.
    int Applied() const
    {
        JsonPtr rules = Control("GET", "/_control/faults");
        const cJSON* all = rules.get(); // the answer is the list itself
        const cJSON* rule = nullptr;
        cJSON_ArrayForEach(rule, all)
        {
            const cJSON* id = cJSON_GetObjectItemCaseSensitive(rule, "id");
            const cJSON* applied = cJSON_GetObjectItemCaseSensitive(rule, "applied");
            if (cJSON_IsNumber(id) && id->valueint == id_ && cJSON_IsNumber(applied)) {
                return applied->valueint;
            }
        }
        return 0;
    }

private:
    int id_ = -1;
};

// One bucket of its own per test suite, created in the test location.
class LiveBucketTest : public testing::Test
{
protected:
    static void CreateSuiteBucket(const std::string& stem)
    {
        bucket_ = UniqueBucket(stem);
        zym::CZymRet reply;
        ASSERT_TRUE(zym::CreateBucket(LiveCall(), bucket_, reply)) << reply.Code << " " << reply.Message;
    }

    static void Put(const std::string& key, const std::string& body, const zym::HeaderList& headers = {})
    {
        zym::CZymRet reply;
        ASSERT_TRUE(zym::PutObject(LiveCall(), bucket_, key, body, headers, reply))
            << key << ": " << reply.Result << " " << reply.Code << " " << reply.Message;
    }

    static std::string Read(const std::string& bucket, const std::string& key)
    {
        zym::HttpResponse response;
        zym::CZymRet reply;
        EXPECT_TRUE(zym::ReadObject(LiveCall(), bucket, key, response, reply)) << key << ": " << reply.Code;
        return response.body;
    }

    static inline std::string bucket_;
};

} // namespace zymtest
