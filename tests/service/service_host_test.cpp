#include "service/service_host.h"

#include <gtest/gtest.h>

using namespace zym;

TEST(ServiceHost, OverrideThenSessionLocationThenBucketLocation)
{
    struct Case
    {
        ServiceEndpoint endpoint;
        std::string bucketLocation;
        std::string host;
    };
    const Case cases[] = {
        {{"custom.example.test", "cn-east", ".zym.test"}, "cn-north", "custom.example.test"},
        {{"", "cn-east-internal", ".zym.test"}, "cn-east", "cn-east-internal.zym.test"},
        {{"", "CN-East-Internal", ".zym.test"}, "cn-EAST", "CN-East-Internal.zym.test"},
        {{"", "cn-east", ".zym.test"}, "cn-north", "cn-north.zym.test"},
        {{"", "", ".zym.test"}, "cn-north", "cn-north.zym.test"},
        {{"", "l1", ".zym.localhost:9000"}, "l1", "l1.zym.localhost:9000"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ServiceHost(c.endpoint, c.bucketLocation), c.host) << c.bucketLocation;
    }
}

TEST(ServiceHost, DomainSuffixFromSettingOrBuildDefault)
{
    EXPECT_EQ(ServiceDomainSuffix(""), ZYM_SERVICE_DOMAIN_DEFAULT);
    EXPECT_EQ(ServiceDomainSuffix(".zym.localhost:8123"), ".zym.localhost:8123");
    EXPECT_EQ(ServiceDomainSuffix("zym.localhost:8123"), ".zym.localhost:8123");
}

TEST(ServiceHost, RequestUrlAddsTheSchemeOnlyWhenMissing)
{
    EXPECT_EQ(RequestUrl("b.l.zym.test/a+b"), "http://b.l.zym.test/a+b");
    EXPECT_EQ(RequestUrl("http://cb.test/x"), "http://cb.test/x");
    EXPECT_EQ(RequestUrl("HTTPS://cb.test/x"), "HTTPS://cb.test/x");
    // A bucket whose name begins with "http" is still given its scheme.
    EXPECT_EQ(RequestUrl("httpbucket.l.zym.test/"), "http://httpbucket.l.zym.test/");
}
