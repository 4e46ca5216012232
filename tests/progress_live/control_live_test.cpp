// Deleting running transfers and changing an object's headers against the local service.
#include "../service_live/live_service.h"
#include "../store/scratch_folder.h"
#include "ops/transfer_control_task.h"
#include "platform/digest.h"
#include "service/error_text.h"
#include "transfer/download_files.h"
#include "transfer/transfer_engine.h"

#include <filesystem>
#include <thread>

using namespace zym;
using namespace zymtest;

namespace {

using namespace std::chrono_literals;
const std::string kSuccess(kSuccessReply);
const char* kChangeError = "Changing the file properties failed";

// Waits for a file another thread creates (the engine gives no signal for it).
bool AppearsWithin(const std::string& path, std::chrono::seconds limit)
{
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!std::filesystem::exists(path)) {
        if (std::chrono::steady_clock::now() > end) {
            return false;
        }
        std::this_thread::sleep_for(20ms);
    }
    return true;
}

// An upload task that starts a multipart upload on the service, records its id in the queue
// and then waits to be stopped, leaving the abort to whoever deletes the row.
class StartsMultipart : public TransferTask
{
public:
    StartsMultipart(TransferRow row, TransferContext context)
        : row_(std::move(row)), context_(std::move(context))
    {}
    TaskResult Run() override
    {
        CZymInitiateMultipartUploadRet reply;
        if (InitiateMultipartUpload(LiveCall(), row_.bucket, row_.object, reply)) {
            context_.database.SaveUploadId(row_.key, reply.UploadId);
        }
        context_.progress->offset.store(1); // the test's sign that the upload exists
        context_.stop->Token()->WaitFor(60s);
        return {};
    }

private:
    TransferRow row_;
    TransferContext context_;
};

class ControlLive : public zym::testing::ScratchFolder
{
protected:
    static void SetUpTestSuite()
    {
        bucket_ = UniqueBucket("control");
        CZymRet reply;
        ASSERT_TRUE(CreateBucket(LiveCall(), bucket_, reply)) << reply.Code;
    }
    void SetUp() override
    {
        ScratchFolder::SetUp();
        TaskServices services;
        services.serviceCall = [](const TransferRow&) {
            return LiveCall();
        };
        services.verifyDownloads = [] {
            return false;
        };
        engine_ = std::make_unique<CTransferEngine>(
            services, [](const TransferRow& row, TransferContext context) -> TransferTaskPtr {
                return std::make_unique<StartsMultipart>(row, std::move(context));
            });
        ASSERT_TRUE(engine_->Database().Open(Path("queue.db"), false));
        ASSERT_TRUE(engine_->Start());
        engine_->Conditions().SetMainWindowReady(true);
        engine_->Conditions().SetLoggedIn(true);
        engine_->Conditions().SetPageLoaded(true);
        services_.engine = engine_.get();
        services_.callFor = [](const std::string& location) {
            return LiveCall(location);
        };
        services_.promptText = [](std::string_view word) {
            return word == "ChangeError" ? std::string(kChangeError)
                   : word == "JsonError" ? std::string("Invalid JSON")
                                         : std::string();
        };
    }
    void TearDown() override
    {
        engine_.reset();
        ScratchFolder::TearDown();
    }

    static std::vector<std::string> OpenUploads(const std::string& key)
    {
        CZymListMultipartUploadRet list;
        EXPECT_TRUE(ListMultipartUploads(LiveCall(), bucket_, list));
        std::vector<std::string> ids;
        for (const UploadEntry& entry : list.Uploads) {
            if (entry.Key == key) {
                ids.push_back(entry.UploadId);
            }
        }
        return ids;
    }
    TransferRow UploadRow(const std::string& object)
    {
        TransferRow row;
        row.key = Sha1Hex(bucket_ + object);
        row.bucket = bucket_;
        row.object = object;
        row.fullpath = Path(object);
        row.filesize = 50 * 1024 * 1024;
        row.status = kStatusWaiting;
        return row;
    }
    // Waits until the task of the row has its upload open on the service.
    void WaitUploadOpen(const std::string& object)
    {
        const auto end = std::chrono::steady_clock::now() + 10s;
        while (engine_->Uploads().LiveOffset(bucket_, object) == 0 &&
               std::chrono::steady_clock::now() < end) {
            std::this_thread::sleep_for(20ms);
        }
        ASSERT_EQ(OpenUploads(object).size(), 1u) << object;
    }

    static inline std::string bucket_;
    std::unique_ptr<CTransferEngine> engine_;
    ControlServices services_;
};

TEST_F(ControlLive, DeletingRunningMultipartUploadAbortsItOnTheService)
{
    engine_->BeginAdding(TransferKind::Upload);
    ASSERT_TRUE(engine_->Database().AddUpload(UploadRow("big/one.bin")));
    ASSERT_TRUE(engine_->Database().AddUpload(UploadRow("big/two.bin")));
    engine_->EndAdding(TransferKind::Upload);
    WaitUploadOpen("big/one.bin");
    WaitUploadOpen("big/two.bin");
    EXPECT_EQ(RunControlAction("deleteUpload",
                               "{\"list\":[{\"bucket\":\"" + bucket_ + "\",\"object\":\"big/one.bin\"}]}",
                               services_),
              kSuccess);
    EXPECT_TRUE(OpenUploads("big/one.bin").empty());
    EXPECT_EQ(OpenUploads("big/two.bin").size(), 1u);
    EXPECT_EQ(engine_->Uploads().ActiveCount(), 1);

    EXPECT_EQ(RunControlAction("deleteUpload", R"({"all":1,"finish":0})", services_), kSuccess);
    EXPECT_TRUE(OpenUploads("big/two.bin").empty());
    EXPECT_EQ(engine_->Uploads().ActiveCount(), 0);
    std::vector<TransferRow> rows;
    engine_->Database().ListUploads(-1, 0, rows);
    EXPECT_TRUE(rows.empty());
}

TEST_F(ControlLive, DeletingRunningDownloadRemovesItsTemporaryFiles)
{
    const std::string body(32 * 1024 * 1024, 'z');
    CZymRet put;
    ASSERT_TRUE(PutObject(LiveCall(), bucket_, "slow.bin", body, {}, put));
    FaultRule slow(R"({"method":"GET","bucket":")" + bucket_ + R"(","key":"slow.bin","throttle_bps":400000})");
    TransferRow row;
    row.key = "etag-slow";
    row.bucket = bucket_;
    row.object = "slow.bin";
    row.fullpath = Path("slow.bin");
    row.filesize = static_cast<std::int64_t>(body.size());
    row.status = kStatusWaiting;
    engine_->BeginAdding(TransferKind::Download);
    ASSERT_TRUE(engine_->Database().AddDownload(row));
    engine_->EndAdding(TransferKind::Download);
    const bool appeared = AppearsWithin(ProgressFilePath(row.fullpath), 20s);
    if (!appeared) {
        std::vector<TransferRow> rows;
        engine_->Database().ListDownloads(-1, 0, rows);
        for (const auto& r : rows) {
            ADD_FAILURE() << r.status << " " << r.errornum << " " << r.errormsg << " data "
                          << std::filesystem::exists(DataFilePath(row.fullpath));
        }
    }
    ASSERT_TRUE(appeared);
    ASSERT_TRUE(std::filesystem::exists(DataFilePath(row.fullpath)));

    EXPECT_EQ(
        RunControlAction("deleteDownload", R"({"list":[{"fullpath":")" + row.fullpath + R"("}]})", services_),
        kSuccess);
    EXPECT_FALSE(std::filesystem::exists(DataFilePath(row.fullpath)));
    EXPECT_FALSE(std::filesystem::exists(ProgressFilePath(row.fullpath)));
    EXPECT_FALSE(std::filesystem::exists(row.fullpath));
    EXPECT_EQ(engine_->Downloads().ActiveCount(), 0);
    std::vector<TransferRow> rows;
    engine_->Database().ListDownloads(-1, 0, rows);
    EXPECT_TRUE(rows.empty());
}

TEST_F(ControlLive, SetMetaObjectChangesContentTypeAndKeepsTheBytes)
{
    const std::string body = "bytes that must survive \x01\x02";
    CZymRet put;
    ASSERT_TRUE(PutObject(LiveCall(), bucket_, "meta/m.txt", body, {{"Content-Type", "text/plain"}}, put));
    const std::string argument =
        R"({"bucket":")" + bucket_ + R"(","object":"meta/m.txt","location":")" + kLocation +
        R"(","canonicalized_zym_headers":{"Content-Type":"image/png","":"x","x-zym-meta-e":""}})";
    EXPECT_EQ(RunControlAction("setMetaObject", argument, services_), kSuccess);
    HttpResponse response;
    CZymRet read;
    ASSERT_TRUE(ReadObject(LiveCall(), bucket_, "meta/m.txt", response, read));
    EXPECT_EQ(response.body, body);
    EXPECT_NE(response.headers.find("ontent-type: image/png"), std::string::npos) << response.headers;
}

TEST_F(ControlLive, SetMetaObjectFailureNamesTheChange)
{
    const std::string missing = R"({"bucket":")" + bucket_ + R"(","object":"no/such","location":")" +
                                kLocation + R"(","canonicalized_zym_headers":{"Content-Type":"image/png"}})";
    const std::string reply = RunControlAction("setMetaObject", missing, services_);
    EXPECT_EQ(reply.rfind("{\"error\":10,\"message\":\"" + std::string(kChangeError), 0), 0u) << reply;
    EXPECT_EQ(RunControlAction("setMetaObject", "{bad", services_),
              R"({"error":1,"message":"Invalid JSON"})");
}

} // namespace
