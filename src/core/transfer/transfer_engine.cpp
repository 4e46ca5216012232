#include "transfer/transfer_engine.h"

#include "app/settings_store.h"
#include "platform/digest.h"
#include "transfer/download_files.h"
#include "transfer/download_task.h"

#include <algorithm>
#include <cctype>
#include <dirent.h>
#include <filesystem>
#include <sys/stat.h>

namespace zym {

namespace {

TaskServices WithRules(TaskServices services, CTransferEngine* engine)
{
    if (!services.callbackRule) {
        services.callbackRule = [engine](const std::string& bucket) {
            return engine->Rule(bucket);
        };
    }
    return services;
}

bool SameText(const std::string& a, const std::string& b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

} // namespace

CTransferEngine::CTransferEngine(TaskServices services, TransferTaskFactory uploadFactory)
    : services_(WithRules(std::move(services), this)),
      downloads_(database_, conditions_, pool_, &MakeDownloadTask, services_),
      uploads_(database_, conditions_, pool_, std::move(uploadFactory), services_)
{}

CTransferEngine::~CTransferEngine()
{
    Stop();
}

bool CTransferEngine::Start()
{
    if (!pool_.Running() && !pool_.Start(kPoolThreads)) {
        return false;
    }
    downloads_.Start();
    uploads_.Start();
    return true;
}

void CTransferEngine::Stop()
{
    downloads_.StopManager();
    uploads_.StopManager();
    pool_.Stop();
}

bool CTransferEngine::OpenUser(const std::string& databasePath, const SettingsStore& settings)
{
    CreateParentFolders(databasePath);
    downloads_.SetTaskMax(settings.DownloadMax());
    uploads_.SetTaskMax(settings.UploadMax());
    downloads_.SetPeerMax(settings.DownloadPeerMax());
    uploads_.SetPeerMax(settings.UploadPeerMax());
    const bool opened = database_.Open(databasePath, true);
    {
        std::lock_guard g(rulesLock_);
        rules_ = opened ? database_.LoadRules() : std::vector<CallbackRule>{};
    }
    downloads_.Wake();
    uploads_.Wake();
    return opened;
}

void CTransferEngine::BeginAdding(TransferKind)
{
    conditions_.BeginAdding();
}

void CTransferEngine::EndAdding(TransferKind)
{
    conditions_.EndAdding();
}

namespace {

std::int64_t ModifiedTime(const struct stat& st)
{
    return static_cast<std::int64_t>(st.st_mtime);
}

} // namespace

std::string CTransferEngine::AddUploads(const std::string& host, const std::string& bucket,
                                        const std::vector<UploadItem>& items,
                                        const std::string& maxUploadText)
{
    std::string reply = "{\"error\":0,\"message\":\"\"}";
    std::int64_t count = database_.CountAll().uploads.value_or(0);
    const std::string limitReply = "{\"error\":1000000,\"message\":\"" + maxUploadText + "\"}";

    // Adds one row; false once the table has reached the limit.
    auto add = [&](const std::string& object, const std::string& path, bool folder, const struct stat* st) {
        TransferRow row;
        row.key = Sha1Hex(bucket + object);
        row.host = host;
        row.bucket = bucket;
        row.object = object;
        row.fullpath = path;
        row.filesize = (folder || st == nullptr) ? 0 : static_cast<std::int64_t>(st->st_size);
        row.last = st != nullptr ? ModifiedTime(*st) : 0;
        row.status = kStatusWaiting;
        database_.AddUpload(row);
        return ++count < kMaxUploadRows;
    };
    // Walks a folder in listing order; false when the limit stopped it.
    std::function<bool(const std::string&, const std::string&)> walk = [&](const std::string& prefix,
                                                                           const std::string& folder) {
        DIR* dir = ::opendir(folder.c_str());
        if (dir == nullptr) {
            return true;
        }
        bool more = true;
        while (more) {
            const dirent* entry = ::readdir(dir);
            if (entry == nullptr) {
                break;
            }
            const std::string name = entry->d_name;
            if (name == "." || name == "..") {
                continue;
            }
            const std::string path = folder + (folder.ends_with('/') ? "" : "/") + name;
            struct stat st
            {
            };
            const bool known = ::stat(path.c_str(), &st) == 0;
            const bool isFolder = known && S_ISDIR(st.st_mode);
            if (isFolder) {
                more = add(prefix + name + "/", path, true, &st) && walk(prefix + name + "/", path);
            } else {
                more = add(prefix + name, path, false, known ? &st : nullptr);
            }
        }
        ::closedir(dir);
        return more;
    };

    conditions_.BeginAdding();
    {
        std::lock_guard transaction(conditions_.TransactionLock());
        database_.BeginTransaction();
        for (const UploadItem& item : items) {
            struct stat st
            {
            };
            const bool known = ::stat(item.path.c_str(), &st) == 0;
            const bool folder = known && S_ISDIR(st.st_mode);
            if (!add(item.object, item.path, folder, known ? &st : nullptr) ||
                (folder && !walk(item.object, item.path))) {
                reply = limitReply;
                break;
            }
        }
        database_.CommitTransaction();
    }
    conditions_.EndAdding();
    return reply;
}

void CTransferEngine::StartDownloadItems(const std::vector<std::string>& fullpaths)
{
    {
        std::lock_guard transaction(conditions_.TransactionLock());
        database_.BeginTransaction();
        for (const auto& path : fullpaths) {
            database_.StartDownload(path);
        }
        database_.CommitTransaction();
    }
    downloads_.Wake();
}

void CTransferEngine::StartEveryDownload()
{
    database_.StartAllDownloads();
    downloads_.Wake();
}

// The list operations stop their running tasks all together before they write the rows, and
// not under the transaction lock (which would hold every fill pass and queueing meanwhile).
// Under the lock, where no task can start, a task started in between is stopped as well.
void CTransferEngine::StopDownloadItems(const std::vector<std::string>& fullpaths)
{
    downloads_.CancelByPaths(fullpaths, false);
    std::lock_guard transaction(conditions_.TransactionLock());
    database_.BeginTransaction();
    for (const auto& path : fullpaths) {
        database_.SetDownloadStatus(path, kStatusStopped);
    }
    downloads_.CancelByPaths(fullpaths, false);
    database_.CommitTransaction();
}

void CTransferEngine::StopEveryDownload()
{
    database_.StopAllDownloads();
    downloads_.CancelAll(false);
}

void CTransferEngine::DeleteDownloadItems(const std::vector<std::string>& fullpaths)
{
    downloads_.CancelByPaths(fullpaths, true);
    std::lock_guard transaction(conditions_.TransactionLock());
    database_.BeginTransaction();
    downloads_.CancelByPaths(fullpaths, true);
    for (const auto& path : fullpaths) {
        DeleteTempFiles(path);
        database_.DeleteDownload(path);
    }
    database_.CommitTransaction();
}

void CTransferEngine::DeleteEveryDownload()
{
    for (const TransferRow& row : database_.StartedDownloads()) {
        DeleteTempFiles(row.fullpath);
    }
    database_.DeleteAllDownloads();
    downloads_.CancelAll(true);
}

void CTransferEngine::StartUploadItems(const std::vector<std::pair<std::string, std::string>>& objects)
{
    {
        std::lock_guard transaction(conditions_.TransactionLock());
        database_.BeginTransaction();
        for (const auto& [bucket, object] : objects) {
            database_.StartUpload(bucket, object);
        }
        database_.CommitTransaction();
    }
    uploads_.Wake();
}

void CTransferEngine::StartEveryUpload()
{
    database_.StartAllUploads();
    uploads_.Wake();
}

void CTransferEngine::StopUploadItems(const std::vector<std::pair<std::string, std::string>>& objects)
{
    uploads_.CancelByObjects(objects, false);
    std::lock_guard transaction(conditions_.TransactionLock());
    database_.BeginTransaction();
    for (const auto& [bucket, object] : objects) {
        database_.StopUpload(bucket, object);
    }
    uploads_.CancelByObjects(objects, false);
    database_.CommitTransaction();
}

void CTransferEngine::StopEveryUpload()
{
    database_.StopAllUploads();
    uploads_.CancelAll(false);
}

void CTransferEngine::AbortUpload(const TransferRow& row)
{
    if (!services_.serviceCall) {
        return;
    }
    CZymRet reply;
    AbortMultipartUpload(services_.serviceCall(row), row.bucket, row.object, row.uploadid, reply);
}

void CTransferEngine::DeleteUploadItems(const std::vector<std::pair<std::string, std::string>>& objects)
{
    uploads_.CancelByObjects(objects, true);
    std::lock_guard transaction(conditions_.TransactionLock());
    database_.BeginTransaction();
    uploads_.CancelByObjects(objects, true);
    for (const auto& [bucket, object] : objects) {
        for (const TransferRow& row : database_.UploadsWithIdOf(bucket, object)) {
            AbortUpload(row);
        }
        database_.DeleteUpload(bucket, object);
    }
    database_.CommitTransaction();
}

void CTransferEngine::DeleteEveryUpload()
{
    for (const TransferRow& row : database_.UnfinishedUploadsWithId()) {
        AbortUpload(row);
    }
    database_.DeleteAllUploads();
    uploads_.CancelAll(true);
}

void CTransferEngine::DiscardBucket(const std::string& bucket)
{
    database_.DeleteBucketRows(bucket);
    uploads_.CancelBucket(bucket);
    downloads_.CancelBucket(bucket);
}

void CTransferEngine::SetLimits(int downloadTaskMax, int downloadPeerMax, int uploadTaskMax,
                                int uploadPeerMax)
{
    downloads_.SetTaskMax(downloadTaskMax);
    downloads_.SetPeerMax(downloadPeerMax);
    uploads_.SetTaskMax(uploadTaskMax);
    uploads_.SetPeerMax(uploadPeerMax);
}

std::optional<CallbackRule> CTransferEngine::Rule(const std::string& bucket)
{
    std::lock_guard g(rulesLock_);
    for (const CallbackRule& rule : rules_) {
        if (SameText(rule.bucket, bucket)) {
            return rule;
        }
    }
    return std::nullopt;
}

void CTransferEngine::PutRule(const CallbackRule& rule)
{
    std::lock_guard g(rulesLock_);
    for (CallbackRule& existing : rules_) {
        if (SameText(existing.bucket, rule.bucket)) {
            existing = rule;
            return;
        }
    }
    rules_.push_back(rule);
}

} // namespace zym
