// The part layout, the part queue's bookkeeping and the part-info file, without the service.
#include "transfer/upload_part_info.h"
#include "transfer/upload_part_info_saver.h"
#include "transfer/upload_part_queue.h"
#include "transfer/upload_task.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <thread>
#include <unistd.h>

namespace zym {
namespace {

std::vector<PartJob> Drain(UploadPartQueue& queue)
{
    std::vector<PartJob> parts;
    while (auto part = queue.Take()) {
        parts.push_back(*part);
        queue.Confirm(*part, "\"E\"");
    }
    return parts;
}

TEST(UploadLayout, SinglePutUpToTheLimitMultipartBeyond)
{
    struct Case
    {
        std::int64_t size;
        bool multipart;
        std::vector<std::int64_t> lengths;
    };
    const std::int64_t block = BlockSizeFor(10485761);
    ASSERT_EQ(block, 5242880);
    for (const Case& c : {Case{10485760, false, {10485760}}, Case{10485761, true, {5242880, 5242880, 1}},
                          Case{1, false, {1}}}) {
        SCOPED_TRACE(c.size);
        EXPECT_EQ(c.size > CUploadTask::kSinglePutLimit, c.multipart);
        UploadPartQueue queue(c.size, BlockSizeFor(c.size), c.multipart);
        const auto parts = Drain(queue);
        ASSERT_EQ(parts.size(), c.lengths.size());
        std::int64_t start = 0;
        for (std::size_t i = 0; i < parts.size(); ++i) {
            EXPECT_EQ(parts[i].number, c.multipart ? static_cast<int>(i) + 1 : 0);
            EXPECT_EQ(parts[i].start, start);
            EXPECT_EQ(parts[i].length, c.lengths[i]);
            start += parts[i].length;
        }
        EXPECT_TRUE(queue.AllConfirmed());
        EXPECT_EQ(queue.ConfirmedBytes(), c.size);
    }
}

TEST(UploadPartQueue, SeededPartsAreNotSentAgainAndForeignRecordsAreDropped)
{
    const std::int64_t block = 5242880;
    UploadPartQueue queue(4 * block - 7, block, true);
    const std::string a = "\"" + std::string(32, 'A') + "\"";
    const std::string c = "\"0123456789ABCDEF0123456789ABCDEF\"";
    const std::string other = "\"" + std::string(32, '0') + "\"";
    const std::size_t taken =
        queue.Seed({{1, 0, block, a},
                    {3, 2 * block, block, c},
                    {2, block, block - 1, other},                                  // wrong length
                    {9, 8 * block, block, other},                                  // no such part
                    {1, 0, block, other},                                          // duplicate
                    {4, 3 * block, block - 7, "\"" + std::string(32, 'a') + "\""}, // damaged ETags
                    {4, 3 * block, block - 7, "\"0123456789ABCDEF0123456789ABCDE\""},
                    {4, 3 * block, block - 7, std::string(34, '0')},
                    {4, 3 * block, block - 7, ""}});
    EXPECT_EQ(taken, 2u);
    EXPECT_EQ(queue.ConfirmedBytes(), 2 * block);
    const auto parts = Drain(queue);
    ASSERT_EQ(parts.size(), 2u);
    EXPECT_EQ(parts[0].number, 2);
    EXPECT_EQ(parts[1].number, 4);
    EXPECT_EQ(parts[1].length, block - 7);
    const auto records = queue.Confirmed();
    ASSERT_EQ(records.size(), 4u);
    EXPECT_EQ(records[0].etag, a);
    EXPECT_EQ(records[1].etag, c);
}

TEST(UploadPartQueue, APartFailsTheTaskOnItsSixthFailure)
{
    UploadPartQueue queue(3 * 5242880, 5242880, true);
    for (int i = 1; i <= UploadPartQueue::kMaxFailures + 1; ++i) {
        auto part = queue.Take();
        ASSERT_TRUE(part);
        EXPECT_EQ(part->number, 1) << "a failed part goes first in line";
        int code = 0;
        std::string text;
        EXPECT_FALSE(queue.Failed(code, text));
        queue.GiveBack(*part, 500 + i, "http code");
    }
    int code = 0;
    std::string text;
    ASSERT_TRUE(queue.Failed(code, text));
    EXPECT_EQ(code, 506);
    EXPECT_EQ(text, "http code");
    EXPECT_TRUE(queue.Halted());
    EXPECT_FALSE(queue.Take());
}

TEST(UploadPartQueue, AWaitingConnectionWakesForAPartThatComesBack)
{
    UploadPartQueue queue(5242880 + 1, 5242880, true);
    auto first = queue.Take();
    auto second = queue.Take();
    ASSERT_TRUE(first && second);
    std::optional<PartJob> retaken;
    std::thread waiter([&] { retaken = queue.Take(); });
    queue.GiveBack(*first, 7, "curl error");
    waiter.join();
    ASSERT_TRUE(retaken);
    EXPECT_EQ(retaken->number, 1);
    // With every part confirmed the waiting ends with nothing.
    queue.Confirm(*second, "\"B\"");
    queue.Confirm(*retaken, "\"A\"");
    EXPECT_FALSE(queue.Take());
}

TEST(UploadPartQueue, StopWakesEveryWaitingConnection)
{
    UploadPartQueue queue(5242880 + 1, 5242880, true);
    auto a = queue.Take();
    auto b = queue.Take();
    std::vector<std::thread> waiters;
    int ended = 0;
    std::mutex m;
    for (int i = 0; i < 3; ++i) {
        waiters.emplace_back([&] {
            EXPECT_FALSE(queue.Take());
            std::lock_guard g(m);
            ++ended;
        });
    }
    queue.Stop();
    for (auto& t : waiters) {
        t.join();
    }
    EXPECT_EQ(ended, 3);
    queue.Return(*a);
    queue.Return(*b);
    queue.WaitUntilSettled();
    EXPECT_FALSE(queue.AllConfirmed());
}

class PartInfoFile : public testing::Test
{
protected:
    void SetUp() override
    {
        dir_ = std::filesystem::temp_directory_path() / ("zym-partinfo-" + std::to_string(::getpid()));
        std::filesystem::remove_all(dir_);
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }
    std::filesystem::path dir_;
};

TEST_F(PartInfoFile, RecordsRoundTripInFiftyFourByteRecords)
{
    const std::string path = (dir_ / "transcache" / PartInfoName("id")).string();
    const std::vector<PartRecord> records = {{3, 10485760, 5242880, "\"0123456789ABCDEF0123456789ABCDEF\""},
                                             {1, 0, 5242880, "\"FEDCBA9876543210FEDCBA9876543210\""}};
    ASSERT_TRUE(WritePartInfo(path, records));
    EXPECT_EQ(std::filesystem::file_size(path), 2 * kPartRecordSize);
    EXPECT_FALSE(std::filesystem::exists(path + ".tmp"));
    std::vector<PartRecord> back;
    ASSERT_TRUE(ReadPartInfo(path, back));
    ASSERT_EQ(back.size(), 2u);
    EXPECT_EQ(back[0].number, 3);
    EXPECT_EQ(back[0].start, 10485760);
    EXPECT_EQ(back[0].length, 5242880);
    EXPECT_EQ(back[0].etag, records[0].etag);
    EXPECT_EQ(back[1].etag, records[1].etag);
    // Little-endian fields at fixed offsets.
    const std::string raw = EncodePartInfo({records[0]});
    EXPECT_EQ(raw.substr(0, 4), std::string("\x03\0\0\0", 4));
    EXPECT_EQ(raw.substr(4, 8), std::string("\0\0\xa0\0\0\0\0\0", 8));
    EXPECT_EQ(raw.substr(20, 34), records[0].etag);
}

TEST_F(PartInfoFile, ALengthThatIsNoMultipleOfTheRecordHoldsNoParts)
{
    std::filesystem::create_directories(dir_);
    const std::string path = (dir_ / "torn").string();
    for (std::size_t size : {std::size_t{0}, std::size_t{53}, std::size_t{55}, std::size_t{107}}) {
        std::ofstream(path, std::ios::binary | std::ios::trunc) << std::string(size, '\x01');
        std::vector<PartRecord> records{{1, 0, 1, ""}};
        bool cutOff = size == 0;
        EXPECT_TRUE(ReadPartInfo(path, records, &cutOff));
        EXPECT_TRUE(records.empty()) << size;
        EXPECT_EQ(cutOff, size != 0) << "an empty file is no damage; a torn record is";
    }
    std::vector<PartRecord> records{{1, 0, 1, ""}};
    bool cutOff = true;
    EXPECT_TRUE(ReadPartInfo((dir_ / "missing").string(), records, &cutOff));
    EXPECT_TRUE(records.empty());
    EXPECT_FALSE(cutOff);
}

TEST_F(PartInfoFile, AFailedWriteLeavesThePreviousFile)
{
    const std::string path = (dir_ / "transcache" / "keep").string();
    ASSERT_TRUE(WritePartInfo(path, {{1, 0, 5, "\"A\""}}));
    // The temporary name taken by a folder makes the next write fail before the rename.
    std::filesystem::create_directories(path + ".tmp");
    EXPECT_FALSE(WritePartInfo(path, {{1, 0, 5, "\"A\""}, {2, 5, 5, "\"B\""}}));
    std::vector<PartRecord> back;
    ASSERT_TRUE(ReadPartInfo(path, back));
    EXPECT_EQ(back.size(), 1u);
}

// A run killed during a write leaves the scratch file beside the list; whatever removes the list
// (the upload finished, discarded, or no longer known to the service) takes the scratch file too.
TEST_F(PartInfoFile, RemovingTheListTakesTheScratchFileOfAKilledWrite)
{
    const std::string path = (dir_ / "transcache" / "id").string();
    const std::string other = (dir_ / "transcache" / "other").string();
    for (const auto& file : {path, other}) {
        ASSERT_TRUE(WritePartInfo(file, {{1, 0, 5, "\"A\""}}));
        std::ofstream(file + ".tmp", std::ios::binary) << std::string(20, '\x01');
    }
    RemovePartInfo(path);
    EXPECT_FALSE(std::filesystem::exists(path));
    EXPECT_FALSE(std::filesystem::exists(path + ".tmp"));
    EXPECT_TRUE(std::filesystem::exists(other));
    EXPECT_TRUE(std::filesystem::exists(other + ".tmp"));

    UploadPartQueue queue(20 * 1024 * 1024, 5 * 1024 * 1024, true);
    PartInfoSaver saver(other, queue, [] {});
    saver.Forget();
    EXPECT_FALSE(std::filesystem::exists(other));
    EXPECT_FALSE(std::filesystem::exists(other + ".tmp"));
}

TEST(PartInfoName, UploadIdsBecomeSafeFileNames)
{
    EXPECT_EQ(PartInfoName("abc-DEF_1.2"), "abc-DEF_1.2");
    EXPECT_EQ(PartInfoName("a/b+c="), "a%2Fb%2Bc%3D");
    EXPECT_EQ(PartInfoName(".."), "%2E.");
}

} // namespace
} // namespace zym
