// Upload tasks against the local ZYM service: single PUT and multipart, resume from the part-info
// file, checksum faults, a vanished upload id, a source that vanishes or changes, connection
// faults, stops, and the upload callback.
#include "service/url_encoding.h"
#include "upload_live.h"

using namespace zym;
using namespace zymtest;

namespace {

TEST_F(UploadLive, SinglePutUpToTheLimitMultipartOfThreePartsBeyond)
{
    struct Case
    {
        std::int64_t size;
        const char* type;
        int parts;
    };
    for (const Case& c : {Case{10485760, "Normal", 0}, Case{10485761, "Multipart", 3}}) {
        SCOPED_TRACE(c.size);
        // The first rule that matches takes a request: the narrow one goes first.
        CountedRule last(Rule("\"query\":\"partNumber=3&\",\"delay_ms\":1"));
        CountedRule parts(Rule("\"query\":\"partNumber=\",\"delay_ms\":1"));
        Queue(RandomBytes(c.size, 7));
        const TaskResult result = RunTask();
        ASSERT_EQ(result.outcome, TaskOutcome::Finished) << result.errornum << " " << result.errormsg;
        EXPECT_EQ(parts.Seen() + last.Seen(), c.parts);
        EXPECT_EQ(last.Seen(), c.parts == 3 ? 1 : 0) << "the third part is the one-byte tail";
        EXPECT_EQ(StoredType(), c.type);
        EXPECT_TRUE(Stored() == source_);
        EXPECT_EQ(StoredRow().status, kStatusFinished);
        EXPECT_EQ(StoredRow().offset, c.size) << "the list reads a finished upload whole";
        EXPECT_EQ(progress_->offset.load(), c.size);
        EXPECT_EQ(StoredRow().uploadid, "") << "a complete upload's id is spent";
        const std::filesystem::path partInfo = CUploadTask::PartInfoFolder(root_.string());
        EXPECT_TRUE(!std::filesystem::exists(partInfo) || std::filesystem::is_empty(partInfo))
            << "the part-info file goes with the finish";
    }
}

TEST_F(UploadLive, AFinishedMultipartUploadStartedAgainIsSentAnewAndFinishes)
{
    Queue(RandomBytes(10485761, 9));
    ASSERT_EQ(RunTask().outcome, TaskOutcome::Finished);
    ASSERT_TRUE(db_.StartUpload(bucket_, key_));
    EXPECT_EQ(StoredRow().status, kStatusWaiting);
    EXPECT_EQ(StoredRow().offset, 0);

    CountedRule parts(Rule("\"query\":\"partNumber=\",\"delay_ms\":1"));
    const TaskResult again = RunTask();
    ASSERT_EQ(again.outcome, TaskOutcome::Finished) << again.errornum << " " << again.errormsg;
    EXPECT_EQ(parts.Seen(), 3);
    EXPECT_TRUE(Stored() == source_);
    EXPECT_EQ(StoredRow().offset, 10485761);
}

TEST_F(UploadLive, EmptyFileAndFolderEntryBecomeEmptyObjects)
{
    Queue("");
    ASSERT_EQ(RunTask().outcome, TaskOutcome::Finished);
    EXPECT_TRUE(ObjectExists());
    EXPECT_EQ(Stored(), "");

    key_ += ".folder/";
    row_.key = Sha1Hex(bucket_ + key_);
    row_.object = key_;
    row_.fullpath = (root_ / "no-such-folder").string();
    ASSERT_TRUE(db_.AddUpload(row_));
    ASSERT_EQ(RunTask().outcome, TaskOutcome::Finished);
    EXPECT_TRUE(ObjectExists());
    EXPECT_EQ(StoredRow().status, kStatusFinished);
}

TEST_F(UploadLive, AfterPartsOneAndThreeOnlyPartsTwoAndFourAreSent)
{
    Queue(RandomBytes(3 * kBlock + 1000, 11));
    {
        CountedRule two(Rule("\"query\":\"partNumber=2&\",\"status\":500"));
        CountedRule four(Rule("\"query\":\"partNumber=4&\",\"status\":500"));
        const TaskResult failed = RunTask(2);
        ASSERT_EQ(failed.outcome, TaskOutcome::Failed);
        EXPECT_EQ(failed.errornum, 500);
        EXPECT_EQ(failed.errormsg, "http code");
        EXPECT_EQ(StoredRow().status, kStatusFailed);
        EXPECT_EQ(StoredRow().errornum, 500);
        EXPECT_EQ(std::max(two.Applied(), four.Applied()), 6) << "a part fails the task on its sixth failure";
    }
    const std::string uploadId = StoredRow().uploadid;
    ASSERT_FALSE(uploadId.empty()) << "a failed multipart upload keeps its id";
    std::vector<PartRecord> records;
    ASSERT_TRUE(ReadPartInfo(PartInfoPath(uploadId), records));
    std::vector<int> numbers;
    for (const auto& r : records) {
        numbers.push_back(r.number);
        EXPECT_EQ(r.etag.size(), 34u);
        EXPECT_EQ(r.etag, "\"" + r.etag.substr(1, 32) + "\"");
    }
    std::sort(numbers.begin(), numbers.end());
    ASSERT_EQ(numbers, (std::vector<int>{1, 3}));
    EXPECT_EQ(StoredRow().offset, 2 * kBlock) << "a failed upload is listed with the parts it keeps";

    CountedRule one(Rule("\"query\":\"partNumber=1&\",\"delay_ms\":1"));
    CountedRule two(Rule("\"query\":\"partNumber=2&\",\"delay_ms\":1"));
    CountedRule three(Rule("\"query\":\"partNumber=3&\",\"delay_ms\":1"));
    CountedRule four(Rule("\"query\":\"partNumber=4&\",\"delay_ms\":1"));
    const TaskResult result = RunTask(2);
    ASSERT_EQ(result.outcome, TaskOutcome::Finished) << result.errormsg;
    EXPECT_EQ(one.Seen(), 0);
    EXPECT_EQ(two.Seen(), 1);
    EXPECT_EQ(three.Seen(), 0);
    EXPECT_EQ(four.Seen(), 1);
    EXPECT_EQ(StoredRow().uploadid, "") << "the finish spends the upload id";
    EXPECT_TRUE(Stored() == source_);
    EXPECT_FALSE(std::filesystem::exists(PartInfoPath(uploadId)));
}

TEST_F(UploadLive, ACompletionWhoseReplyWasLostIsRecognisedOnTheNextRun)
{
    Queue(RandomBytes(2 * kBlock + 1, 43));
    {
        // The service puts the object together, then the reply is lost.
        CountedRule lost(Rule("\"method\":\"POST\",\"query\":\"uploadId=\",\"times\":1,\"reset\":true,"
                              "\"when\":\"after\""));
        const TaskResult result = RunTask();
        ASSERT_EQ(result.outcome, TaskOutcome::Failed);
        EXPECT_EQ(result.errornum, 5);
        EXPECT_EQ(lost.Applied(), 1);
    }
    ASSERT_TRUE(Stored() == source_);
    const std::string uploadId = StoredRow().uploadid;
    ASSERT_FALSE(uploadId.empty());
    CountedRule parts(Rule("\"query\":\"partNumber=\",\"delay_ms\":1"));
    const TaskResult again = RunTask();
    ASSERT_EQ(again.outcome, TaskOutcome::Finished) << again.errormsg;
    EXPECT_EQ(parts.Seen(), 0);
    EXPECT_EQ(StoredRow().status, kStatusFinished);

    // Another object under that key is not mistaken for the completed upload.
    Put(key_, "replaced");
    Queue(source_, uploadId);
    std::vector<PartRecord> records = {{1, 0, kBlock, "\"" + std::string(32, 'A') + "\""},
                                       {2, kBlock, kBlock, "\"" + std::string(32, 'B') + "\""},
                                       {3, 2 * kBlock, 1, "\"" + std::string(32, 'C') + "\""}};
    ASSERT_TRUE(WritePartInfo(PartInfoPath(uploadId), records));
    const TaskResult stale = RunTask();
    ASSERT_EQ(stale.outcome, TaskOutcome::Failed);
    EXPECT_EQ(stale.errornum, 5);
    EXPECT_EQ(StoredRow().uploadid, "");
    EXPECT_EQ(Stored(), "replaced");
}

TEST_F(UploadLive, LowerCaseEtagIsAccepted)
{
    const std::string bytes = RandomBytes(1000, 3);
    CountedRule lower(Rule("\"etag\":\"\\\"" + HexLower(Md5(bytes)) + "\\\"\""));
    Queue(bytes);
    const TaskResult result = RunTask();
    EXPECT_EQ(result.outcome, TaskOutcome::Finished) << result.errormsg;
    EXPECT_EQ(lower.Applied(), 1);
}

TEST_F(UploadLive, APartWithAWrongEtagIsSentAgain)
{
    Queue(RandomBytes(2 * kBlock + 1, 5));
    CountedRule wrong(Rule(
        "\"query\":\"partNumber=2&\",\"times\":1,\"etag\":\"\\\"00000000000000000000000000000000\\\"\""));
    const TaskResult result = RunTask();
    ASSERT_EQ(result.outcome, TaskOutcome::Finished) << result.errormsg;
    EXPECT_EQ(wrong.Applied(), 1);
    EXPECT_EQ(wrong.Seen(), 2);
    EXPECT_TRUE(Stored() == source_);
    const std::string log = LogText();
    EXPECT_EQ(CountOf(log, "[ErrorIndex:" + bucket_ + "|" + key_ + "][2,5242880,5242880,6,md5 error:\""), 1)
        << log;
}

TEST_F(UploadLive, ASinglePutWithAWrongEtagFailsWithCodeSix)
{
    const std::string bytes = RandomBytes(4096, 9);
    CountedRule wrong(Rule("\"etag\":\"\\\"00000000000000000000000000000000\\\"\""));
    Queue(bytes);
    const TaskResult result = RunTask();
    ASSERT_EQ(result.outcome, TaskOutcome::Failed);
    EXPECT_EQ(result.errornum, 6);
    std::string upper = HexLower(Md5(bytes));
    std::transform(upper.begin(), upper.end(), upper.begin(), ::toupper);
    EXPECT_EQ(result.errormsg, "md5 error:\"" + upper + "\",\"00000000000000000000000000000000\"");
    EXPECT_EQ(StoredRow().status, kStatusFailed);
    EXPECT_EQ(StoredRow().errormsg, result.errormsg);
    EXPECT_EQ(CountOf(LogText(), "[TaskError:" + bucket_ + "|" + key_ + "][6,md5 error:"), 1);
}

TEST_F(UploadLive, NoSuchUploadMidUploadClearsTheIdAndTheNextRunStartsAnew)
{
    Queue(RandomBytes(2 * kBlock + 1, 13));
    {
        CountedRule gone(
            Rule("\"query\":\"partNumber=2&\",\"times\":1,\"status\":404,\"code\":\"NoSuchUpload\""));
        const TaskResult result = RunTask(1);
        ASSERT_EQ(result.outcome, TaskOutcome::Failed);
        EXPECT_EQ(result.errornum, 404);
        EXPECT_EQ(result.errormsg, "NoSuchUpload");
        EXPECT_EQ(gone.Applied(), 1);
    }
    EXPECT_EQ(StoredRow().uploadid, "");
    EXPECT_EQ(StoredRow().offset, 0) << "the dropped upload's parts are not kept";
    EXPECT_FALSE(std::filesystem::exists(CUploadTask::PartInfoFolder(root_.string())) &&
                 !std::filesystem::is_empty(CUploadTask::PartInfoFolder(root_.string())));
    CountedRule parts(Rule("\"query\":\"partNumber=\",\"delay_ms\":1"));
    ASSERT_EQ(RunTask().outcome, TaskOutcome::Finished);
    EXPECT_EQ(parts.Seen(), 3) << "a fresh upload sends every part";
    EXPECT_TRUE(Stored() == source_);
}

TEST_F(UploadLive, AnUploadIdTheServiceDroppedIsForgotten)
{
    CZymInitiateMultipartUploadRet started;
    ASSERT_TRUE(InitiateMultipartUpload(LiveCall(), bucket_, key_, started));
    CZymRet aborted;
    ASSERT_TRUE(AbortMultipartUpload(LiveCall(), bucket_, key_, started.UploadId, aborted));
    Queue(RandomBytes(2 * kBlock + 1, 17), started.UploadId);
    ASSERT_TRUE(
        WritePartInfo(PartInfoPath(started.UploadId), {{1, 0, kBlock, "\"" + std::string(32, 'A') + "\""}}));

    const TaskResult result = RunTask();
    ASSERT_EQ(result.outcome, TaskOutcome::Failed);
    EXPECT_EQ(result.errormsg, "NoSuchUpload");
    EXPECT_EQ(StoredRow().uploadid, "");
    EXPECT_FALSE(std::filesystem::exists(PartInfoPath(started.UploadId)));
    ASSERT_EQ(RunTask().outcome, TaskOutcome::Finished);
    EXPECT_TRUE(Stored() == source_);
}

TEST_F(UploadLive, ASourceDeletedOrGrownDuringAMultipartUploadFailsWithCodeTwo)
{
    struct Case
    {
        const char* name;
        std::function<void(const std::string&)> change;
        const char* text;
    };
    const Case cases[] = {
        {"deleted", [](const std::string& path) { ::unlink(path.c_str()); }, "No such file or directory"},
        {"grown", [](const std::string& path) { std::ofstream(path, std::ios::app) << "more"; },
         "source file changed during upload (size 10485761, now 10485765)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        key_ = std::string("changing-") + c.name;
        Queue(RandomBytes(2 * kBlock + 1, 19));
        // The first part is held after its body has arrived; the file changes meanwhile.
        CountedRule hold(Rule("\"query\":\"partNumber=1&\",\"times\":1,\"delay_ms\":1500"));
        TaskResult result;
        std::thread runner = RunInBackground(result, 1, [&] { return hold.Seen() >= 1; });
        c.change(SourcePath());
        runner.join();
        ASSERT_EQ(result.outcome, TaskOutcome::Failed);
        EXPECT_EQ(result.errornum, 2);
        EXPECT_NE(result.errormsg.find(c.text), std::string::npos) << result.errormsg;
        EXPECT_EQ(StoredRow().status, kStatusFailed);
        EXPECT_FALSE(ObjectExists());
    }
}

TEST_F(UploadLive, ASourceChangedOrMissingBeforeTheStartIsNotSent)
{
    for (const bool remove : {false, true}) {
        SCOPED_TRACE(remove);
        Queue(RandomBytes(kBlock, 23));
        CountedRule puts(Rule("\"method\":\"PUT\",\"delay_ms\":1"));
        if (remove) {
            ::unlink(SourcePath().c_str());
        } else {
            std::ofstream(SourcePath(), std::ios::app) << "x";
        }
        const TaskResult result = RunTask();
        ASSERT_EQ(result.outcome, TaskOutcome::Failed);
        EXPECT_EQ(result.errornum, 2);
        EXPECT_NE(result.errormsg.find(remove ? "No such file" : "changed"), std::string::npos)
            << result.errormsg;
        EXPECT_EQ(puts.Seen(), 0);
    }
}

TEST_F(UploadLive, ResetsAndServerErrorsMidUploadAreRetried)
{
    Queue(RandomBytes(2 * kBlock + 4096, 29));
    // A reset before the part is stored, a reply lost after it was stored, a 503.
    CountedRule reset(Rule("\"query\":\"partNumber=2&\",\"times\":2,\"reset\":true"));
    CountedRule lost(Rule("\"query\":\"partNumber=1&\",\"times\":1,\"reset\":true,\"when\":\"after\""));
    CountedRule busy(Rule("\"query\":\"partNumber=3&\",\"times\":1,\"status\":503,\"code\":\"SlowDown\""));
    const TaskResult result = RunTask();
    ASSERT_EQ(result.outcome, TaskOutcome::Finished) << result.errormsg;
    EXPECT_EQ(reset.Applied(), 2);
    EXPECT_EQ(lost.Applied(), 1);
    EXPECT_EQ(busy.Applied(), 1);
    EXPECT_TRUE(Stored() == source_);
    // The transfer library may send a body again by itself when a reused connection was reset
    // before any reply (see below), so up to four failures reach the log.
    EXPECT_LE(CountOf(LogText(), "[ErrorIndex:"), 4);
}

TEST_F(UploadLive, APartResetOnAReusedConnectionIsReadAgainFromItsStart)
{
    Queue(RandomBytes(2 * kBlock + 1, 53));
    // One connection: part 2 goes over the connection part 1 used. The transfer library opens a
    // new one and starts the body over, so the part is read and hashed again from its start.
    CountedRule reset(Rule("\"query\":\"partNumber=2&\",\"times\":1,\"reset\":true"));
    const TaskResult result = RunTask(1);
    ASSERT_EQ(result.outcome, TaskOutcome::Finished) << result.errormsg;
    EXPECT_EQ(reset.Applied(), 1);
    EXPECT_EQ(reset.Seen(), 2);
    EXPECT_EQ(CountOf(LogText(), "[ErrorIndex:"), 0) << "no failure: the resend happened within the request";
    EXPECT_EQ(progress_->offset.load(), 2 * kBlock + 1);
    EXPECT_TRUE(Stored() == source_);
}

TEST_F(UploadLive, ASinglePutThatKeepsFailingFailsAfterSixAttempts)
{
    Queue(RandomBytes(1000, 31));
    CountedRule broken(Rule("\"status\":500"));
    const TaskResult result = RunTask();
    ASSERT_EQ(result.outcome, TaskOutcome::Failed);
    EXPECT_EQ(result.errornum, 500);
    EXPECT_EQ(result.errormsg, "http code");
    EXPECT_EQ(broken.Applied(), 6);
}

TEST_F(UploadLive, AStopEndsTheRunningPartAtOnceAndKeepsThePartInfo)
{
    for (const bool discard : {false, true}) {
        SCOPED_TRACE(discard);
        Queue(RandomBytes(2 * kBlock + 1, 37));
        // Part 1 goes through; every later part crawls, so only a stop can end it.
        CountedRule crawl(Rule("\"query\":\"partNumber=\",\"skip\":1,\"throttle_bps\":20000"));
        TaskResult result;
        std::thread runner = RunInBackground(result, 1, [&] { return crawl.Seen() >= 2; });
        stop_->Request(discard);
        runner.join();
        EXPECT_EQ(result.outcome, TaskOutcome::Stopped);
        const std::string uploadId = StoredRow().uploadid;
        ASSERT_FALSE(uploadId.empty());
        std::vector<PartRecord> records;
        ASSERT_TRUE(ReadPartInfo(PartInfoPath(uploadId), records));
        EXPECT_EQ(records.size(), discard ? 0u : 1u);
        if (!discard) {
            EXPECT_EQ(StoredRow().offset, kBlock) << "listed with the part it keeps";
        }
        EXPECT_EQ(std::filesystem::exists(PartInfoPath(uploadId)), !discard);
        CZymListMultipartUploadRet list;
        ASSERT_TRUE(ListMultipartUploads(LiveCall(), bucket_, list));
        const bool open = std::any_of(list.Uploads.begin(), list.Uploads.end(),
                                      [&](const UploadEntry& u) { return u.UploadId == uploadId; });
        EXPECT_EQ(open, !discard) << "a deleted upload is aborted on the service";
        if (discard) {
            db_.DeleteUpload(bucket_, key_);
        }
    }
}

TEST_F(UploadLive, AStopEndsTheServiceRequestsOfTheTaskAtOnce)
{
    struct Case
    {
        const char* what;
        std::string rule;
    };
    // Held far longer than the requests' own 20-second limit: only the stop can end them early
    // enough to report a stop rather than a time-out.
    const Case cases[] = {
        {"initiate", Rule("\"method\":\"POST\",\"query\":\"uploads\",\"delay_ms\":25000")},
        {"complete", Rule("\"method\":\"POST\",\"query\":\"uploadId=\",\"delay_ms\":25000")},
        {"empty object", Rule("\"method\":\"PUT\",\"delay_ms\":25000")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Queue(std::string(c.what) == "empty object" ? "" : RandomBytes(2 * kBlock + 1, 47));
        CountedRule hold(c.rule);
        TaskResult result;
        std::thread runner = RunInBackground(
            result, 3, [&] { return hold.Seen() >= 1; }, 20);
        stop_->Request(false);
        runner.join();
        EXPECT_EQ(result.outcome, TaskOutcome::Stopped) << result.errornum << " " << result.errormsg;
        EXPECT_NE(StoredRow().status, kStatusFailed);
    }
}

class UploadCallbackLive : public UploadLive
{
protected:
    std::string CallbackAddress(const std::string& name) const
    {
        return "http://" + LiveEndpoint() + "/_callback/" + name;
    }
    static int Recorded(const std::string& name, std::string* body = nullptr)
    {
        JsonPtr list = Control("GET", "/_control/callbacks?name=" + name);
        if (body != nullptr && cJSON_GetArraySize(list.get()) > 0) {
            const cJSON* b = cJSON_GetObjectItemCaseSensitive(cJSON_GetArrayItem(list.get(), 0), "body");
            *body = cJSON_IsString(b) ? b->valuestring : "";
        }
        return cJSON_GetArraySize(list.get());
    }
};

TEST_F(UploadCallbackLive, AMatchingRuleTellsTheAddressOnce)
{
    const std::string name = UniqueBucket("cb-ok");
    key_ = "photos/a b+c.jpg";
    rule_ = CallbackRule{bucket_, "\\.jpg$", CallbackAddress(name), 1, 3};
    Queue("jpeg bytes");
    ASSERT_EQ(RunTask().outcome, TaskOutcome::Finished);
    std::string body;
    EXPECT_EQ(Recorded(name, &body), 1);
    EXPECT_EQ(body, "bucket=" + FormEncode(bucket_) + "&object=" + FormEncode(key_));
    EXPECT_EQ(CountOf(LogText(), "[Callback Ok:" + CallbackAddress(name) + "|" + bucket_ + "|" + key_ + "]"),
              1);
}

TEST_F(UploadCallbackLive, ThreeAttemptsAgainstAFailingAddressThenOneErrorLine)
{
    const std::string name = UniqueBucket("cb-fail");
    CountedRule failing("{\"path\":\"/_callback/" + name + "\",\"status\":500}");
    rule_ = CallbackRule{bucket_, "file", CallbackAddress(name), 1, 3};
    Queue("bytes");
    ASSERT_EQ(RunTask().outcome, TaskOutcome::Finished) << "the upload stays finished";
    EXPECT_EQ(failing.Applied(), 3);
    EXPECT_EQ(StoredRow().status, kStatusFinished);
    const std::string kept = LogText();
    EXPECT_EQ(
        CountOf(kept, "[Callback Error:" + CallbackAddress(name) + "|" + bucket_ + "|" + key_ + "][error:]"),
        1)
        << kept;
    EXPECT_EQ(CountOf(kept, "Callback Ok"), 0);

    // A closed loopback port: the same, without anyone to count the attempts.
    rule_ = CallbackRule{bucket_, "file", "http://127.0.0.1:1/cb", 1, 3};
    ASSERT_EQ(RunTask().outcome, TaskOutcome::Finished);
    EXPECT_EQ(CountOf(LogText(), "[Callback Error:http://127.0.0.1:1/cb|"), 1);
}

TEST_F(UploadCallbackLive, RulesThatDoNotApplySendNothing)
{
    struct Case
    {
        const char* what;
        CallbackRule rule;
    };
    const std::string name = UniqueBucket("cb-none");
    const Case cases[] = {
        {"status 0", {bucket_, ".*", CallbackAddress(name), 0, 3}},
        {"pattern not found", {bucket_, "\\.png$", CallbackAddress(name), 1, 3}},
        {"case differs", {bucket_, "FILE", CallbackAddress(name), 1, 3}},
        {"no attempts", {bucket_, "file", CallbackAddress(name), 1, 0}},
        {"does not compile", {bucket_, "file(", CallbackAddress(name), 1, 3}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        rule_ = c.rule;
        Queue("bytes");
        ASSERT_EQ(RunTask().outcome, TaskOutcome::Finished);
        EXPECT_EQ(Recorded(name), 0);
    }
    EXPECT_EQ(CountOf(LogText(), "Callback Rule Error"), 1);
    EXPECT_EQ(CountOf(LogText(), "[Callback Error:"), 1) << "no attempts still reports the failure";
}

} // namespace
