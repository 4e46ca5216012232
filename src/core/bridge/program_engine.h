#pragma once
// The transfer engine as the program runs it: built on the process's start conditions and
// session, with the program's task services and upload task; the setTransInfo limits that reach
// its managers; the login that opens an account's queue; and the worker thread beside it.
// Every login (key, key file, password) reaches its TransferLogin through the login targets.
// The transfer lists' page functions and their two progress reporters hang on it too.
// Start-up calls Start, then StartWorker once the login window shows; shutdown calls
// StopWorker and then StopEngine, after the operation pool has stopped.
#include "bridge/engine_limits.h"
#include "bridge/handler_registry.h"
#include "ops/transfer_page_functions.h"
#include "transfer/account_login.h"
#include "transfer/interface_thread.h"
#include "transfer/transfer_engine.h"

#include <atomic>
#include <functional>
#include <string>
#include <string_view>

namespace zym {

class CTaskPool;
struct LoginTargets;
class Log;
struct PageSession;
class SettingsStore;

class ProgramEngine
{
public:
    // The engine listens to targets' conditions and signs with its session, and every login
    // through targets opens the account's queue while the engine lives. dataFolder holds the
    // queues; page gives the interface language; the timed work pauses once shuttingDown is
    // set; the page functions post to pool. promptText gives a word of the interface
    // language's "prompt" section.
    ProgramEngine(LoginTargets& targets, const std::string& dataFolder, const PageSession& page,
                  const std::atomic<bool>& shuttingDown, CTaskPool& pool, Log& log,
                  const SettingsStore& settings,
                  std::function<std::string(std::string_view word)> promptText);
    ~ProgramEngine();
    ProgramEngine(const ProgramEngine&) = delete;
    ProgramEngine& operator=(const ProgramEngine&) = delete;

    // The transfer pool, both schedulers and the reporters; nothing starts before the
    // conditions hold.
    bool Start();
    void StartWorker();
    // Returns when the worker thread has ended.
    void StopWorker();
    // The reporters (a report under way ends first), both managers (running tasks keep their
    // files), then the transfer pool.
    void StopEngine();

    // getDownload/getUpload, changeDownload/changeUpload and the seven control actions.
    void RegisterFunctions(HandlerRegistry& registry);

    CTransferEngine& Engine() { return engine_; }
    TransferLimits& Limits() { return limits_; }
    TransferLogin& Login() { return login_; }
    CInterfaceThread& Worker() { return worker_; }
    // The logged-in account's queue, or nullptr before a login has opened one.
    CTransDatabase* OpenQueue();

private:
    CTransferEngine engine_;
    EngineLimits limits_;
    TransferLogin login_;
    CInterfaceThread worker_;
    TransferPageFunctions functions_;
    LoginTargets& targets_;
};

} // namespace zym
