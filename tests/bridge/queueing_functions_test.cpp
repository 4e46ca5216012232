// stopLoadDownload's flags, and its registration.
#include "bridge/handler_registry.h"
#include "bridge/queueing_functions.h"

#include <gtest/gtest.h>

TEST(StopLoadDownload, AllOnlyWhenNonZero)
{
    struct Case
    {
        const char* argument;
        bool all;
    } cases[] = {{"{\"all\":1}", true},      {"{\"all\":0}", false}, {"{}", false},
                 {"{\"all\":\"1\"}", false}, {"not json", false},    {"{\"all\":-3}", true}};
    for (const auto& c : cases) {
        zym::StopLoadFlags flags;
        zym::RequestStopLoad(flags, c.argument);
        EXPECT_TRUE(flags.requested) << c.argument;
        EXPECT_EQ(flags.all.load(), c.all) << c.argument;
    }
    zym::HandlerRegistry registry;
    zym::StopLoadFlags flags;
    zym::RegisterQueueingFunctions(registry, flags);
    const zym::DirectHandler* handler = registry.FindDirect("stopLoadDownload");
    ASSERT_NE(handler, nullptr);
    zym::ReadArguments args;
    args.proceed = true;
    args.text = "{\"all\":1}";
    EXPECT_EQ((*handler)(args), "");
    EXPECT_TRUE(flags.requested && flags.all);
}
