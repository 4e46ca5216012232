#pragma once
// Downloads against the local ZYM service: a bucket per test, objects put from memory, and a
// download task run to its end on a real queue database in a scratch folder.
#include "../service_live/live_service.h"
#include "app/log.h"
#include "download_rows.h"
#include "platform/digest.h"
#include "store/trans_database.h"
#include "transfer/download_files.h"
#include "transfer/download_task.h"
#include "transfer_scratch.h"

#include <random>

namespace zym::testing {

inline std::string RandomBytes(std::size_t size, unsigned seed)
{
    std::mt19937 random(seed);
    std::string bytes(size, '\0');
    for (char& c : bytes) {
        c = static_cast<char>(random() & 0xFF);
    }
    return bytes;
}

class LiveDownload : public TransferScratch
{
protected:
    void SetUp() override
    {
        TransferScratch::SetUp();
        call_ = zymtest::LiveCall();
        bucket_ = zymtest::UniqueBucket("dl");
        CZymRet reply;
        ASSERT_TRUE(CreateBucket(call_, bucket_, reply));
        ASSERT_TRUE(database_.Open(Path("transdb.db"), true));
    }

    // Puts the object; returns its ETag (the MD5 of the bytes, lower case).
    std::string Put(const std::string& key, const std::string& body)
    {
        CZymRet reply;
        EXPECT_TRUE(PutObject(call_, bucket_, key, body, {}, reply));
        return HexLower(Md5(body));
    }

    TransferRow Row(const std::string& key, std::int64_t size, const std::string& etag,
                    const std::string& local)
    {
        TransferRow row;
        row.key = etag;
        row.host = call_.host;
        row.bucket = bucket_;
        row.object = key;
        row.fullpath = Path(local);
        row.filesize = size;
        row.status = kStatusRunning;
        database_.AddDownload(row);
        return row;
    }

    struct Outcome
    {
        TaskResult result;
        std::int64_t bytesDone = 0;
        std::int64_t offset = 0;
    };

    Outcome Download(const TransferRow& row, TaskSettings settings = {},
                     std::shared_ptr<TaskStop> stop = std::make_shared<TaskStop>())
    {
        auto progress = std::make_shared<TaskProgress>();
        TransferContext context{database_,
                                log_,
                                [this](const TransferRow&) { return call_; },
                                [](std::string_view word) { return "text of " + std::string(word); },
                                nullptr,
                                stop,
                                progress,
                                settings};
        TaskResult result = MakeDownloadTask(row, std::move(context))->Run();
        return {result, progress->bytesDone.load(), progress->offset.load()};
    }

    std::int64_t StoredOffsetOf(const std::string& path)
    {
        const auto row = testing::DownloadRowOf(database_, path);
        return row ? row->offset : -1;
    }

    int StatusOf(const std::string& path)
    {
        const auto row = testing::DownloadRowOf(database_, path);
        return row ? row->status : -1;
    }

    // No file of the download is left beside the target.
    bool NoTempFiles(const std::string& fullpath)
    {
        for (const auto& entry :
             std::filesystem::directory_iterator(std::filesystem::path(fullpath).parent_path())) {
            if (entry.path().string().rfind(fullpath + kDownloadSuffix, 0) == 0) {
                return false;
            }
        }
        return true;
    }

    Log log_{[] {
        return std::time_t(0);
    }};
    ServiceCall call_;
    std::string bucket_;
    CTransDatabase database_;
};

} // namespace zym::testing
