#pragma once
// The transfer engine as the program runs it: built on the process's start conditions and
// session, with the program's task services and upload task; the setTransInfo limits that reach
// its managers; the login that opens an account's queue; and the worker thread beside it.
// Every login (key, key file, password) reaches its TransferLogin through the environment.
// The transfer lists' page functions and their two progress reporters hang on it too.
// Start-up calls Start, then StartWorker once the login window shows; shutdown calls
// StopWorker and then StopEngine, after the operation pool has stopped.
#include "bridge/engine_limits.h"
#include "bridge/handler_registry.h"
#include "ops/transfer_page_functions.h"
#include "transfer/account_login.h"
#include "transfer/interface_thread.h"
#include "transfer/transfer_engine.h"

#include <functional>
#include <string>
#include <string_view>

namespace zym {

struct AppEnvironment;
class Log;
class SettingsStore;

class ProgramEngine
{
public:
    // promptText gives a word of the interface language's "prompt" section.
    ProgramEngine(AppEnvironment& env, Log& log, const SettingsStore& settings,
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
    AppEnvironment& env_;
};

} // namespace zym
