#pragma once
// The process-wide record of folders, session values and flags. One instance lives for the
// whole run and is passed to the parts that need it (no global accessor).
#include "platform/task_pool.h"
#include "service/session.h"
#include "transfer/start_conditions.h"

#include <atomic>
#include <mutex>
#include <string>

namespace zym {

class TransferLogin;

struct AppEnvironment
{
    std::string installFolder;   // folder of the running program file
    std::string defaultUiFolder; // installFolder + "/UI"
    std::string dataFolder;      // user database, per-user queues, logs
    std::string tempFolder;
    std::string versionText = "0.0.0.0";

    Session session; // the logged-in account every request and page signature uses
    std::atomic<int> language{0};
    std::atomic<int> defaultDisposition{0};
    std::atomic<bool> shuttingDown{false};
    // What the transfer engine waits for; the engine the program builds listens to this one.
    StartConditions engineConditions;
    // The engine's side of every login (the account's queue opened); null when no engine runs.
    TransferLogin* transferLogin = nullptr;

    // config.json of the install folder's UI folder, read once at start-up.
    std::string configText;
    std::string configSource;

    CTaskPool operationPool; // page-operation tasks, at most 3 threads

    // Fills the folders from the program file's folder and the platform's places.
    void InitFolders(const std::string& programFolder);
};

} // namespace zym
