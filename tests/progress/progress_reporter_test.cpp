// The reporter's gates: one-row reports always, the periodic report only while switched on,
// the latest registration wins.
#include "engine_fixture.h"
#include "transfer/progress_reporter.h"

#include <gtest/gtest.h>

namespace zym::testing {
namespace {

using namespace std::chrono_literals;

class ReporterTest : public EngineFixture
{
protected:
    void SetUp() override
    {
        EngineFixture::SetUp();
        stats_.uploadTotal = 9;
        reporter_ = std::make_unique<CProgressReporter>(
            TransferKind::Upload, engine_->Uploads(), [this] { return stats_; }, 20ms);
        reporter_->Start();
    }
    void TearDown() override
    {
        reporter_.reset();
        EngineFixture::TearDown();
    }
    std::string EmptyList() const { return ProgressList(TransferKind::Upload, stats_, {}); }

    TransferStatistics stats_;
    std::unique_ptr<CProgressReporter> reporter_;
};

TEST_F(ReporterTest, SwitchedOffSendsOnlyOneRowReports)
{
    auto target = std::make_shared<CollectingTarget>();
    reporter_->RegisterCallback(target, R"({"start":0})");
    ASSERT_TRUE(engine_->Database().AddUpload(UploadRow("b", "done\"/", kStatusWaiting, 1000)));
    Run();
    ASSERT_TRUE(fakes_.WaitStarted(1));
    fakes_.EndWith("done\"/", TaskOutcome::Finished);
    engine_->Uploads().CancelByObject("b", "done\"/", false);
    ASSERT_TRUE(target->WaitCount(1));
    std::this_thread::sleep_for(200ms); // ten periods: a periodic report would have come
    const auto texts = target->Texts();
    ASSERT_EQ(texts.size(), 1u);
    TransferRow expected = UploadRow("b", "done\"/", kStatusFinished, 1000);
    expected.offset = 500;
    EXPECT_EQ(texts[0], ProgressList(TransferKind::Upload, stats_, {expected}));
}

TEST_F(ReporterTest, FailedTaskReportsItsErrorAndStoppedTaskNothing)
{
    auto target = std::make_shared<CollectingTarget>();
    reporter_->RegisterCallback(target, "{}");
    ASSERT_TRUE(engine_->Database().AddUpload(UploadRow("b", "bad", kStatusWaiting, 10)));
    ASSERT_TRUE(engine_->Database().AddUpload(UploadRow("b", "halt", kStatusWaiting, 10)));
    Run();
    ASSERT_TRUE(fakes_.WaitStarted(2));
    fakes_.EndWith("bad", TaskOutcome::Failed, "No\\Such");
    engine_->Uploads().CancelAll(false);
    ASSERT_TRUE(target->WaitCount(1));
    const auto texts = target->Texts();
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_NE(texts[0].find(R"("object":"bad","fullpath":"\/data\/bad","offset":5,"filesize":10,"status":5,)"
                            R"("speed":0,"errormsg":"No\\Such"})"),
              std::string::npos)
        << texts[0];
}

TEST_F(ReporterTest, SwitchedOnReportsEveryPeriodAlsoWhenNothingRuns)
{
    auto target = std::make_shared<CollectingTarget>();
    reporter_->RegisterCallback(target, R"({"start":1})");
    ASSERT_TRUE(target->WaitCount(3));
    for (const std::string& text : target->Texts()) {
        EXPECT_EQ(text, EmptyList());
    }
}

TEST_F(ReporterTest, PeriodicReportListsActiveTasks)
{
    ASSERT_TRUE(engine_->Database().AddUpload(UploadRow("b", "live", kStatusWaiting, 1000)));
    Run();
    ASSERT_TRUE(fakes_.WaitStarted(1));
    engine_->Uploads().TotalSpeed();
    TransferRow expected = UploadRow("b", "live", kStatusRunning, 1000);
    expected.offset = 500;
    expected.speed = 1000;
    EXPECT_EQ(reporter_->PeriodicText(), ProgressList(TransferKind::Upload, stats_, {expected}));
}

TEST_F(ReporterTest, StoppingTaskIsListedWithStatus3UntilItEnds)
{
    ASSERT_TRUE(engine_->Database().AddUpload(UploadRow("b", "slow", kStatusWaiting, 1000)));
    Run();
    ASSERT_TRUE(fakes_.WaitStarted(1));
    fakes_.EndTogether(2); // the one task lingers after its stop request
    std::thread stopping([this] { engine_->Uploads().CancelByObject("b", "slow", false); });
    ASSERT_TRUE(fakes_.WaitStopped(1));
    const std::string text = reporter_->PeriodicText();
    stopping.join();
    EXPECT_NE(
        text.find(R"("object":"slow","fullpath":"\/data\/slow","offset":500,"filesize":1000,"status":3,)"),
        std::string::npos)
        << text;
    EXPECT_EQ(reporter_->PeriodicText(), EmptyList());
}

TEST_F(ReporterTest, LatestRegistrationTakesTheReports)
{
    auto first = std::make_shared<CollectingTarget>();
    auto second = std::make_shared<CollectingTarget>();
    reporter_->RegisterCallback(first, R"({"start":1})");
    ASSERT_TRUE(first->WaitCount(1));
    reporter_->RegisterCallback(second, R"({"other":1})"); // no "start": the report stays on
    const std::size_t firstCount = first->Texts().size();
    ASSERT_TRUE(second->WaitCount(3));
    EXPECT_LE(first->Texts().size(), firstCount + 1); // at most a report already under way
    reporter_->RegisterCallback(second, R"({"start":0})");
    const std::size_t secondCount = second->Texts().size();
    std::this_thread::sleep_for(200ms);
    EXPECT_LE(second->Texts().size(), secondCount + 1);
}

TEST_F(ReporterTest, RegistrationWithoutCallbackSilencesTheReports)
{
    auto target = std::make_shared<CollectingTarget>();
    reporter_->RegisterCallback(target, R"({"start":1})");
    ASSERT_TRUE(target->WaitCount(1));
    reporter_->RegisterCallback(nullptr, R"({"start":1})");
    const std::size_t count = target->Texts().size();
    reporter_->ReportOne(UploadRow("b", "x", kStatusFinished));
    std::this_thread::sleep_for(200ms);
    EXPECT_LE(target->Texts().size(), count + 1);
}

TEST_F(ReporterTest, StopEndsTheReports)
{
    auto target = std::make_shared<CollectingTarget>();
    reporter_->RegisterCallback(target, R"({"start":1})");
    ASSERT_TRUE(target->WaitCount(1));
    reporter_->Stop();
    const std::size_t count = target->Texts().size();
    std::this_thread::sleep_for(200ms);
    EXPECT_EQ(target->Texts().size(), count);
}

} // namespace
} // namespace zym::testing
