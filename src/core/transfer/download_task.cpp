#include "transfer/download_task.h"

#include "app/log.h"
#include "store/trans_database.h"
#include "transfer/download_files.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <limits>
#include <sys/stat.h>
#include <thread>
#include <vector>

namespace zym {

namespace {

std::string ErrnoText(int error)
{
    return std::strerror(error);
}

// Reserves the object's size on disk, so a full disk shows at the start and not mid-way;
// file systems without reservation get a file of the right length instead.
int Preallocate(int fd, std::int64_t size)
{
    if (::fallocate(fd, 0, 0, size) == 0) {
        return 0;
    }
    if (errno == EOPNOTSUPP || errno == ENOSYS) {
        return ::ftruncate(fd, size) == 0 ? 0 : errno;
    }
    return errno;
}

bool WriteAt(int fd, const char* data, std::int64_t size, std::int64_t offset)
{
    while (size > 0) {
        const ssize_t n = ::pwrite(fd, data, static_cast<size_t>(size), offset);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            if (n == 0) {
                errno = EIO;
            }
            return false;
        }
        data += n;
        size -= n;
        offset += n;
    }
    return true;
}

std::string Lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

} // namespace

CDownloadTask::CDownloadTask(const TransferRow& row, TransferContext context)
    : row_(row), context_(std::move(context)),
      blockSize_(context_.settings.blockSize > 0 ? context_.settings.blockSize : BlockSizeFor(row.filesize)),
      verify_(context_.settings.verifyDownloads && IsPlainMd5(row.key))
{}

std::string CDownloadTask::Prompt(std::string_view word) const
{
    std::string text = context_.promptText ? context_.promptText(word) : std::string();
    return text.empty() ? std::string(word) : text;
}

TaskResult CDownloadTask::Run()
{
    if (row_.filesize <= 0) {
        return CreateEmptyOrFolder();
    }
    std::string error;
    if (!Prepare(error)) {
        return Fail(3, error);
    }
    context_.progress->startTime.store(static_cast<std::int64_t>(std::time(nullptr)));

    std::int64_t pieces = 0;
    {
        std::lock_guard g(rangesLock_);
        for (const ByteRange& r : remaining_.Intervals()) {
            pieces += (r.Length() + 10 * blockSize_ - 1) / (10 * blockSize_);
        }
    }
    const int connections =
        static_cast<int>(std::min<std::int64_t>(std::max(1, context_.settings.peerMax), pieces));
    {
        std::vector<std::jthread> threads;
        for (int i = 0; i < connections; ++i) {
            threads.emplace_back([this] { Connection(); });
        }
    }
    if (context_.stop->Requested()) {
        return Stopped();
    }
    if (failed_) {
        return Fail(lastErrorCode_, lastErrorText_);
    }
    bool covered = false;
    {
        std::lock_guard g(rangesLock_);
        covered = stored_.Total() == row_.filesize;
    }
    return covered ? Complete()
                   : Fail(lastErrorCode_, lastErrorText_.empty() ? "curl error" : lastErrorText_);
}

TaskResult CDownloadTask::CreateEmptyOrFolder()
{
    const bool folder = !row_.object.empty() && row_.object.back() == '/';
    std::error_code ec;
    if (folder) {
        std::filesystem::create_directories(row_.fullpath, ec);
        if (!std::filesystem::is_directory(row_.fullpath, ec)) {
            return Fail(3, Prompt("CreateDirError"));
        }
    } else {
        CreateParentFolders(row_.fullpath);
        UniqueFd fd(::open(row_.fullpath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
        if (!fd) {
            return Fail(3, Prompt("CreateEmptyError"));
        }
    }
    context_.database.FinishDownload(row_.fullpath, 0);
    context_.progress->offset.store(0);
    return {TaskOutcome::Finished, 0, {}};
}

bool CDownloadTask::Prepare(std::string& error)
{
    if (!CreateParentFolders(row_.fullpath)) {
        error = ErrnoText(errno);
        return false;
    }
    RangeList stored;
    const ProgressRead read = LoadProgressFile(row_.fullpath, stored);
    if (read == ProgressRead::Unreadable) {
        error = ErrnoText(errno);
        return false;
    }
    // A record of bytes past the object's end was not written for this object.
    const bool damaged =
        read == ProgressRead::Damaged || (!stored.Empty() && stored.Intervals().back().last >= row_.filesize);
    if (damaged) {
        stored.Clear();
        SaveProgressFile(row_.fullpath, stored); // so a stop before the first save starts over too
        context_.log.WriteLog("[download][" + row_.fullpath + "][progress file " +
                                  ProgressFilePath(row_.fullpath) + " damaged; fetched again from the start]",
                              true);
    }
    const std::string dataPath = DataFilePath(row_.fullpath);
    const bool existed = ::access(dataPath.c_str(), F_OK) == 0;
    data_.reset(::open(dataPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644));
    if (!data_) {
        error = ErrnoText(errno);
        return false;
    }
    struct stat st
    {
    };
    if (::fstat(data_.get(), &st) != 0) {
        error = ErrnoText(errno);
        return false;
    }
    // The record counts only together with a data file of the object's size: without one (a
    // first start, or a crash between the final rename and the row's update) everything is
    // fetched again.
    if (!existed || st.st_size != row_.filesize) {
        stored.Clear();
        const int result = ::ftruncate(data_.get(), 0) == 0 ? Preallocate(data_.get(), row_.filesize) : errno;
        if (result != 0) {
            error = ErrnoText(result);
            data_.reset();
            ::unlink(dataPath.c_str());
            return false;
        }
    }
    std::lock_guard g(rangesLock_);
    stored_ = stored;
    remaining_.Clear();
    remaining_.Add({0, row_.filesize - 1});
    for (const ByteRange& r : stored_.Intervals()) {
        remaining_.Subtract(r);
    }
    context_.progress->offset.store(stored_.Total());
    return true;
}

std::optional<ByteRange> CDownloadTask::PickRangeLocked() const
{
    if (remaining_.Empty()) {
        return std::nullopt;
    }
    const int peerMax = std::max(1, context_.settings.peerMax);
    const auto count = remaining_.Intervals().size();
    // A few scattered holes (after a resume) are taken whole, smallest first; otherwise the
    // next piece of at most ten blocks from the front.
    if (count < static_cast<size_t>(std::max(0, peerMax - active_)) && count != 1) {
        return remaining_.Smallest();
    }
    ByteRange r = remaining_.Intervals().front();
    r.last = std::min(r.last, r.first + 10 * blockSize_ - 1);
    return r;
}

void CDownloadTask::Connection()
{
    CDownloadPeer peer(*this);
    for (;;) {
        ByteRange range;
        {
            std::lock_guard g(rangesLock_);
            if (Abandoned()) {
                return;
            }
            const auto pick = PickRangeLocked();
            if (!pick) {
                return;
            }
            range = *pick;
            remaining_.Subtract(range);
            ++active_;
        }
        const FetchResult result =
            peer.Fetch(context_.serviceCall(row_), row_.bucket, row_.object, range, row_.filesize);
        std::lock_guard g(rangesLock_);
        --active_;
        if (result.complete) {
            continue;
        }
        // Only what was not stored goes back; the connection that failed takes it again.
        if (result.next <= range.last) {
            remaining_.Add({result.next, range.last});
        }
        if (context_.stop->Requested() || failed_) {
            continue;
        }
        context_.log.WriteLog("[ErrorIndex:" + row_.bucket + "|" + row_.object + "][" +
                                  std::to_string(result.next) + "," +
                                  std::to_string(range.last - result.next + 1) + "," +
                                  std::to_string(result.code) + "," + result.text + "]",
                              false);
        lastErrorCode_ = result.code;
        lastErrorText_ = result.text;
        if (++failures_[static_cast<std::uint32_t>(result.next)] > kMaxFailuresAtOffset) {
            failed_ = true;
        }
    }
}

bool CDownloadTask::Store(ByteRange piece, const char* data, std::string& errorText)
{
    if (!WriteAt(data_.get(), data, piece.Length(), piece.first)) {
        errorText = ErrnoText(errno);
        return false;
    }
    {
        std::lock_guard g(rangesLock_);
        stored_.Add(piece);
    }
    HashPrefix(&piece, data, false);
    SaveProgress(false);
    return true;
}

void CDownloadTask::Received(std::int64_t bytes)
{
    context_.progress->offset.fetch_add(bytes, std::memory_order_relaxed);
    if (bytes > 0) {
        context_.progress->bytesDone.fetch_add(bytes, std::memory_order_relaxed);
    }
}

bool CDownloadTask::Abandoned() const
{
    return failed_.load(std::memory_order_relaxed) || context_.stop->Requested();
}

void CDownloadTask::SaveProgress(bool force)
{
    std::unique_lock s(saveLock_, std::defer_lock);
    if (force) {
        s.lock();
    } else if (!s.try_lock()) {
        return; // another connection is writing it right now
    }
    const auto now = std::chrono::steady_clock::now();
    if (!force && now - lastSave_ < kSaveInterval) {
        return;
    }
    RangeList copy;
    {
        std::lock_guard g(rangesLock_);
        copy = stored_;
    }
    if (!SaveProgressFile(row_.fullpath, copy)) {
        context_.log.WriteLog("[writefile:" + std::to_string(errno) + "]", true);
    }
    if (force) {
        // The run ends here (stop, failure or completion): the row keeps what is stored.
        context_.database.SaveDownloadOffset(row_.fullpath, copy.Total());
    }
    lastSave_ = now;
}

void CDownloadTask::HashPrefix(const ByteRange* piece, const char* data, bool wait)
{
    if (!verify_) {
        return;
    }
    std::unique_lock h(hashLock_, std::defer_lock);
    if (wait) {
        h.lock();
    } else if (!h.try_lock()) {
        return; // the thread that holds it goes on to the new prefix end, or the end catches up
    }
    for (;;) {
        std::int64_t target = 0;
        {
            std::lock_guard g(rangesLock_);
            target = stored_.PrefixEnd();
        }
        if (hashedUpTo_ >= target) {
            return;
        }
        if (piece != nullptr && piece->first <= hashedUpTo_ && hashedUpTo_ <= piece->last) {
            const std::int64_t end = std::min(piece->last + 1, target);
            md5_.Update(data + (hashedUpTo_ - piece->first), static_cast<size_t>(end - hashedUpTo_));
            hashedUpTo_ = end;
            continue;
        }
        if (!hashBuffer_) {
            hashBuffer_.reset(new (std::nothrow) char[CDownloadPeer::kBufferSize]);
            if (!hashBuffer_) {
                return;
            }
        }
        const auto size =
            static_cast<size_t>(std::min<std::int64_t>(target - hashedUpTo_, CDownloadPeer::kBufferSize));
        const ssize_t n = ::pread(data_.get(), hashBuffer_.get(), size, hashedUpTo_);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return;
        }
        md5_.Update(hashBuffer_.get(), static_cast<size_t>(n));
        hashedUpTo_ += n;
    }
}

TaskResult CDownloadTask::Complete()
{
    SaveProgress(true);
    if (verify_) {
        HashPrefix(nullptr, nullptr, true);
        const std::string digest = hashedUpTo_ == row_.filesize ? md5_.FinalHex() : std::string();
        if (digest.empty()) {
            return Fail(3, ErrnoText(errno ? errno : EIO));
        }
        if (digest != Lower(row_.key)) {
            // The bytes are wrong somewhere: none of them may be kept or resumed from.
            data_.reset();
            DeleteTempFiles(row_.fullpath);
            context_.log.WriteLog("[Md5Mismatch:" + row_.bucket + "|" + row_.object + "][" + row_.key + "," +
                                      digest + "]",
                                  true);
            return Fail(7, Prompt("DownloadCheckError"));
        }
    }
    data_.reset();
    if (::rename(DataFilePath(row_.fullpath).c_str(), row_.fullpath.c_str()) != 0) {
        return Fail(1, Prompt("MergerCreateFileError"));
    }
    struct stat st
    {
    };
    if (::stat(row_.fullpath.c_str(), &st) != 0 || st.st_size != row_.filesize) {
        return Fail(7, Prompt("MergerFileSizeError"));
    }
    context_.database.FinishDownload(row_.fullpath, row_.filesize);
    ::unlink(ProgressFilePath(row_.fullpath).c_str());
    context_.progress->offset.store(row_.filesize);
    return {TaskOutcome::Finished, 0, {}};
}

TaskResult CDownloadTask::Fail(int code, const std::string& text)
{
    if (context_.stop->Requested()) {
        return Stopped();
    }
    if (data_) {
        SaveProgress(true);
        data_.reset();
    }
    context_.log.WriteLog("[TaskError:" + row_.bucket + "|" + row_.object + "][" + std::to_string(code) +
                              "," + text + "]",
                          true);
    context_.database.FailDownload(row_.fullpath, code, text);
    return {TaskOutcome::Failed, code, text};
}

TaskResult CDownloadTask::Stopped()
{
    if (context_.stop->Discard()) {
        data_.reset();
        DeleteTempFiles(row_.fullpath);
    } else if (data_) {
        SaveProgress(true);
        data_.reset();
    }
    return {TaskOutcome::Stopped, 0, {}};
}

TransferTaskPtr MakeDownloadTask(const TransferRow& row, TransferContext context)
{
    return std::make_unique<CDownloadTask>(row, std::move(context));
}

} // namespace zym
