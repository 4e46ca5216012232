// The low-speed limit of the calls ends an upload request that stalls: an empty upload (one
// request, no retry) fails with the transfer library's timeout instead of waiting for the reply.
#include "upload_live.h"

using namespace zym;
using namespace zymtest;

namespace {

TEST_F(UploadLive, AStalledRequestEndsAtTheLowSpeedLimit)
{
    Queue("");
    lowSpeedSeconds_ = 1;
    // The reply would come after 4 s and the object would then be stored.
    CountedRule rule(Rule("\"method\":\"PUT\",\"delay_ms\":4000,\"times\":1"));
    const TaskResult result = RunTask();
    EXPECT_EQ(result.outcome, TaskOutcome::Failed);
    EXPECT_EQ(result.errornum, CURLE_OPERATION_TIMEDOUT);
    EXPECT_EQ(StoredRow().status, kStatusFailed);
    EXPECT_EQ(rule.Applied(), 1);
}

} // namespace
