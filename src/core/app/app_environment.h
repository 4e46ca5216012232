#pragma once
// The process-wide record of folders, session values and flags. One instance lives for the
// whole run and is passed to the parts that need it (no global accessor).
#include "ops/task_pool.h"
#include "service/credentials.h"

#include <atomic>
#include <mutex>
#include <string>

namespace zym {

// The logged-in account as the pages see it. A login writes these while page calls and
// tasks read them, so reads and writes are serialized.
class SessionValues
{
public:
    struct Snapshot
    {
        std::string accessId;
        std::string location;
        std::string host;
    };
    Snapshot Get() const;
    // A key login: id and location; the host stays as it is.
    void SetLogin(const std::string& accessId, const std::string& location);
    void SetHost(const std::string& host);

private:
    mutable std::mutex lock_;
    Snapshot values_;
};

struct AppEnvironment
{
    std::string installFolder;   // folder of the running program file
    std::string defaultUiFolder; // installFolder + "/UI"
    std::string dataFolder;      // user database, per-user queues, logs
    std::string tempFolder;
    std::string versionText = "0.0.0.0";

    SessionValues session;
    SessionCredentials credentials; // the key pair every request and page signature uses
    std::atomic<int> language{0};
    std::atomic<int> defaultDisposition{0};
    std::atomic<bool> shuttingDown{false};
    std::atomic<bool> pageLoaded{false};
    std::atomic<bool> mainDialogReady{false};
    std::atomic<bool> loggedIn{false};

    // config.json of the install folder's UI folder, read once at start-up.
    std::string configText;
    std::string configSource;

    CTaskPool operationPool; // page-operation tasks, at most 3 threads

    // Fills the folders from the program file's folder and the platform's places.
    void InitFolders(const std::string& programFolder);
};

} // namespace zym
