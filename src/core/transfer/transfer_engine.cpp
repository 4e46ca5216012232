#include "transfer/transfer_engine.h"

#include "app/log.h"
#include "app/settings_store.h"
#include "platform/digest.h"
#include "platform/large_blocks.h"
#include "transfer/download_files.h"
#include "transfer/download_task.h"
#include "transfer/upload_part_info.h"
#include "transfer/upload_task.h"

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

// The service takes parts of 5 MiB or more, while tests want small download ranges.
TaskServices ForUploads(TaskServices services)
{
    if (services.uploadBlockSize > 0) {
        services.blockSize = services.uploadBlockSize;
    }
    return services;
}

} // namespace

CTransferEngine::CTransferEngine(TaskServices services, TransferTaskFactory uploadFactory)
    : ownConditions_(std::make_unique<StartConditions>()), conditions_(*ownConditions_),
      services_(WithRules(std::move(services), this)),
      downloads_(database_, conditions_, pool_, &MakeDownloadTask, services_),
      uploads_(database_, conditions_, pool_, std::move(uploadFactory), ForUploads(services_))
{}

CTransferEngine::CTransferEngine(StartConditions& conditions, TaskServices services,
                                 TransferTaskFactory uploadFactory)
    : conditions_(conditions), services_(WithRules(std::move(services), this)),
      downloads_(database_, conditions_, pool_, &MakeDownloadTask, services_),
      uploads_(database_, conditions_, pool_, std::move(uploadFactory), ForUploads(services_))
{}

CTransferEngine::~CTransferEngine()
{
    Stop();
}

bool CTransferEngine::Start()
{
    ReturnLargeBlocksToSystem();
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
    if (database_.Repair() != DatabaseRepair::None && services_.log != nullptr) {
        services_.log->WriteLog(
            RepairLogLine("transdb", databasePath, database_.Repair(), database_.DamageCode(), "the queue"),
            true);
    }
    RemoveFinishedLeftovers();
    {
        std::lock_guard g(rulesLock_);
        rules_ = opened ? database_.LoadRules() : std::vector<CallbackRule>{};
    }
    downloads_.Wake();
    uploads_.Wake();
    return opened;
}

void CTransferEngine::RemoveFinishedLeftovers()
{
    // The rows are gone now, so nothing else would ever remove these files.
    const DroppedFinishedRows& dropped = database_.DroppedFinished();
    for (const std::string& fullpath : dropped.downloadPaths) {
        DeleteTempFiles(fullpath);
    }
    const std::string folder = CUploadTask::PartInfoFolder(services_.dataFolder);
    for (const std::string& uploadId : dropped.uploadIds) {
        RemovePartInfo(folder + "/" + PartInfoName(uploadId));
    }
}

void CTransferEngine::BeginAdding(TransferKind)
{
    conditions_.BeginAdding();
}

void CTransferEngine::EndAdding(TransferKind)
{
    conditions_.EndAdding();
}

std::string CTransferEngine::AddUploads(const std::string& host, const std::string& bucket,
                                        const std::vector<UploadItem>& items,
                                        const std::string& maxUploadText)
{
    // The folder walk and the row inserts (transfer/upload_queueing); the engine holds its
    // scheduler back meanwhile.
    class Bracket : public AddingBracket
    {
    public:
        explicit Bracket(CTransferEngine& engine) : engine_(engine) {}
        void BeginAdding() override { engine_.BeginAdding(TransferKind::Upload); }
        void EndAdding() override { engine_.EndAdding(TransferKind::Upload); }

    private:
        CTransferEngine& engine_;
    } bracket(*this);
    return zym::AddUploads(database_, bracket, host, bucket, items,
                           UploadQueueLimits{kMaxUploadRows, maxUploadText});
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
