#pragma once
// The transfer engine: the account's transfer queue, the transfer pool, the download and upload
// managers and the operations the transfer lists and the queueing of uploads use.
#include "platform/cancel_token.h"
#include "platform/task_pool.h"
#include "service/curl_delegate.h"
#include "store/trans_database.h"
#include "transfer/download_manager.h"
#include "transfer/start_conditions.h"
#include "transfer/upload_manager.h"
#include "transfer/upload_queueing.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

namespace zym {

class SettingsStore;

enum class TransferKind
{
    Download,
    Upload
};

class CTransferEngine
{
public:
    static constexpr int kPoolThreads = 100;
    static constexpr std::int64_t kMaxUploadRows = 1000000;

    // uploadFactory makes the upload tasks (MakeUploadTask in the program); without one the
    // upload manager starts nothing.
    CTransferEngine(TaskServices services, TransferTaskFactory uploadFactory);
    // The program's engine: it waits for the conditions the rest of the program sets (main
    // window ready, logged in, page loaded).
    CTransferEngine(StartConditions& conditions, TaskServices services, TransferTaskFactory uploadFactory);
    ~CTransferEngine();
    CTransferEngine(const CTransferEngine&) = delete;
    CTransferEngine& operator=(const CTransferEngine&) = delete;

    // Start-up: the pool and both schedulers (which start nothing before the conditions hold).
    bool Start();
    // Shutdown: both managers stopped (tasks keep their files), then the pool.
    void Stop();

    // Login: limits from the settings, the queue database opened (with repair), the temporary
    // files of the finished rows it dropped removed, rules loaded.
    bool OpenUser(const std::string& databasePath, const SettingsStore& settings);

    StartConditions& Conditions() { return conditions_; }
    CTransDatabase& Database() { return database_; }
    CDTaskManager& Downloads() { return downloads_; }
    CUTaskManager& Uploads() { return uploads_; }
    // Threads of the transfer pool (it grows up to kPoolThreads and keeps them until Stop).
    std::size_t PoolThreads() const { return pool_.ThreadCount(); }

    // Bracket every operation that inserts rows. Nothing starts meanwhile.
    void BeginAdding(TransferKind kind);
    void EndAdding(TransferKind kind);

    // Queues local files and folders for upload; the reply text (error 1000000 with
    // maxUploadText once the Upload table reaches 1,000,000 rows).
    std::string AddUploads(const std::string& host, const std::string& bucket,
                           const std::vector<UploadItem>& items, const std::string& maxUploadText);

    // The transfer lists' operations: the page's selection, or everything.
    void StartDownloadItems(const std::vector<std::string>& fullpaths);
    void StartEveryDownload();
    void StopDownloadItems(const std::vector<std::string>& fullpaths);
    void StopEveryDownload();
    void DeleteDownloadItems(const std::vector<std::string>& fullpaths);
    void DeleteEveryDownload();
    void StartUploadItems(const std::vector<std::pair<std::string, std::string>>& objects);
    void StartEveryUpload();
    void StopUploadItems(const std::vector<std::pair<std::string, std::string>>& objects);
    void StopEveryUpload();
    // Deleting uploads aborts their multipart uploads on the service first (results ignored).
    void DeleteUploadItems(const std::vector<std::pair<std::string, std::string>>& objects);
    void DeleteEveryUpload();
    // A deleted bucket: its rows go and its running transfers stop and discard.
    void DiscardBucket(const std::string& bucket);

    // setTransInfo: each value above 0 changes the running manager at once.
    void SetLimits(int downloadTaskMax, int downloadPeerMax, int uploadTaskMax, int uploadPeerMax);

    // The upload callback rules in memory (loaded at login; the page's edits go through here).
    std::optional<CallbackRule> Rule(const std::string& bucket);
    void PutRule(const CallbackRule& rule);

private:
    void AbortUpload(const TransferRow& row);
    // Temporary files of the finished rows the queue dropped when it opened.
    void RemoveFinishedLeftovers();

    CurlGlobal curl_;
    std::unique_ptr<StartConditions> ownConditions_; // when nobody else provides them
    StartConditions& conditions_;
    CTransDatabase database_;
    CTaskPool pool_;
    TaskServices services_;
    CDTaskManager downloads_;
    CUTaskManager uploads_;
    std::mutex rulesLock_;
    std::vector<CallbackRule> rules_;
};

} // namespace zym
