#include "transfer/upload_queueing.h"

#include "platform/digest.h"
#include "platform/unique_fd.h"
#include "service/error_text.h"
#include "store/trans_database.h"

#include <condition_variable>
#include <deque>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <sys/stat.h>
#include <thread>
#include <utility>

namespace zym {
namespace {

struct DirCloser
{
    void operator()(DIR* d) const { closedir(d); }
};
using DirPtr = std::unique_ptr<DIR, DirCloser>;

// The last component of a path, a trailing "/" ignored.
std::string LastComponent(std::string path)
{
    while (path.size() > 1 && path.back() == '/') {
        path.pop_back();
    }
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string Join(const std::string& folder, const std::string& name)
{
    return !folder.empty() && folder.back() == '/' ? folder + name : folder + "/" + name;
}

// Rows travel from the folder walk (one thread: readdir, stat, hashing) to the inserts (the
// queueing thread) in batches, so that on two cores the file system and the store work at the
// same time. Order is kept: one producer, one consumer, first in first out.
class RowPipe
{
public:
    using Batch = std::vector<TransferRow>;
    static constexpr std::size_t kBatchRows = 1024;

    // False when the consumer has stopped: the walk then ends.
    bool Push(Batch batch)
    {
        std::unique_lock g(lock_);
        changed_.wait(g, [&] { return stopped_ || batches_.size() < kMaxBatches; });
        if (stopped_) {
            return false;
        }
        batches_.push_back(std::move(batch));
        changed_.notify_all();
        return true;
    }
    // Empty optional once the walk has finished and everything was taken.
    std::optional<Batch> Pop()
    {
        std::unique_lock g(lock_);
        changed_.wait(g, [&] { return finished_ || !batches_.empty(); });
        if (batches_.empty()) {
            return std::nullopt;
        }
        Batch batch = std::move(batches_.front());
        batches_.pop_front();
        changed_.notify_all();
        return batch;
    }
    void Finish()
    {
        std::lock_guard g(lock_);
        finished_ = true;
        changed_.notify_all();
    }
    void Stop()
    {
        std::lock_guard g(lock_);
        stopped_ = true;
        changed_.notify_all();
    }

private:
    static constexpr std::size_t kMaxBatches = 16;
    std::mutex lock_;
    std::condition_variable changed_;
    std::deque<Batch> batches_;
    bool finished_ = false;
    bool stopped_ = false;
};

class UploadWalk
{
public:
    UploadWalk(RowPipe& pipe, const std::string& host, const std::string& bucket) : pipe_(pipe)
    {
        row_.host = host;
        row_.bucket = bucket;
        row_.status = kStatusWaiting;
    }

    // False once the limit is reached: the walk stops there.
    bool AddItem(const UploadItem& item)
    {
        struct stat st
        {
        };
        const bool readable = ::stat(item.path.c_str(), &st) == 0;
        const bool folder = readable && S_ISDIR(st.st_mode);
        if (!Add(item.object, item.path, readable ? &st : nullptr)) {
            return false;
        }
        if (!folder || !visited_.insert({st.st_dev, st.st_ino}).second) {
            return true;
        }
        UniqueFd fd(::open(item.path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        return !fd || Walk(std::move(fd), item.object, item.path);
    }

    // Hands the last rows over; false when the consumer stopped.
    bool Flush()
    {
        if (batch_.empty()) {
            return true;
        }
        RowPipe::Batch full;
        full.swap(batch_);
        batch_.reserve(RowPipe::kBatchRows);
        return pipe_.Push(std::move(full));
    }

private:
    bool Add(const std::string& key, const std::string& path, const struct stat* st)
    {
        const bool folder = st != nullptr && S_ISDIR(st->st_mode);
        row_.object = key;
        row_.fullpath = path;
        row_.key = Sha1Hex(row_.bucket + key);
        row_.last = st != nullptr ? static_cast<std::int64_t>(st->st_mtim.tv_sec) : 0;
        row_.filesize = st != nullptr && !folder ? static_cast<std::int64_t>(st->st_size) : 0;
        batch_.push_back(row_);
        return batch_.size() < RowPipe::kBatchRows || Flush();
    }

    // Entries in the order the folder lists them; stat follows links, so a link to a file is
    // queued as that file and a link to a folder as a folder (walked once per real folder).
    bool Walk(UniqueFd folderFd, const std::string& prefix, const std::string& folderPath)
    {
        const int dirFd = folderFd.get();
        DirPtr dir(::fdopendir(::dup(dirFd)));
        if (!dir) {
            return true;
        }
        while (const dirent* entry = ::readdir(dir.get())) {
            const std::string name = entry->d_name;
            if (name == "." || name == "..") {
                continue;
            }
            struct stat st
            {
            };
            const bool readable = ::fstatat(dirFd, name.c_str(), &st, 0) == 0;
            const std::string path = Join(folderPath, name);
            if (!readable || !S_ISDIR(st.st_mode)) {
                if (!Add(prefix + name, path, readable ? &st : nullptr)) {
                    return false;
                }
                continue;
            }
            const std::string key = prefix + name + "/";
            if (!Add(key, path, &st)) {
                return false;
            }
            if (!visited_.insert({st.st_dev, st.st_ino}).second) {
                continue; // this real folder was walked already (a link back into the tree)
            }
            UniqueFd inner(::openat(dirFd, name.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
            if (inner && !Walk(std::move(inner), key, path)) {
                return false;
            }
        }
        return true;
    }

    RowPipe& pipe_;
    RowPipe::Batch batch_;
    TransferRow row_;
    std::set<std::pair<dev_t, ino_t>> visited_;
};

} // namespace

std::string UploadKeyOf(const std::string& prefix, const std::string& path)
{
    struct stat st
    {
    };
    const bool folder = ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
    return prefix + LastComponent(path) + (folder ? "/" : "");
}

std::string AddUploads(CTransDatabase& db, AddingBracket& bracket, const std::string& host,
                       const std::string& bucket, const std::vector<UploadItem>& items,
                       const UploadQueueLimits& limits)
{
    std::int64_t count = db.CountAll().uploads.value_or(0);
    std::string reply(kSuccessReply);
    AddingScope adding(bracket);
    db.BeginTransaction();
    RowPipe pipe;
    std::thread walker([&] {
        UploadWalk walk(pipe, host, bucket);
        for (const UploadItem& item : items) {
            if (!walk.AddItem(item)) {
                break;
            }
        }
        walk.Flush();
        pipe.Finish();
    });
    bool full = false;
    while (std::optional<RowPipe::Batch> batch = pipe.Pop()) {
        for (const TransferRow& row : *batch) {
            db.AddUpload(row);
            if (++count >= limits.maxRows) {
                reply = ReplyText(kErrorTooManyFiles, limits.maxUploadText);
                full = true;
                break;
            }
        }
        if (full) {
            pipe.Stop(); // the walk ends at its next hand-over
            break;
        }
    }
    walker.join();
    db.CommitTransaction();
    return reply;
}

} // namespace zym
