#pragma once
// The transfer engine of the running program and what hangs on it: the worker thread with the
// statistics snapshot, the login that opens the account's queue, and the transfer lists' page
// functions with their two progress reporters.
#include "bridge/handler_registry.h"
#include "ops/transfer_page_functions.h"
#include "transfer/account_login.h"
#include "transfer/interface_thread.h"
#include "transfer/transfer_engine.h"

#include <memory>

namespace zym {
struct AppEnvironment;
class LanguageDocument;
class Log;
class SettingsStore;
} // namespace zym

namespace zym::shell {

class TransferRuntime
{
public:
    TransferRuntime(AppEnvironment& env, SettingsStore& settings, LanguageDocument& language, Log& log);
    ~TransferRuntime();

    // Start-up, after the main window: the engine, the worker thread and the reporters.
    void Start();
    // Shutdown, in the program's order: reporters and worker thread, then the managers.
    void Stop();

    // The transfer lists' functions, and the login and loadFinish steps the engine waits for.
    void Register(HandlerRegistry& registry);

private:
    AppEnvironment& env_;
    LanguageDocument& language_;
    CTransferEngine engine_;
    CInterfaceThread worker_;
    TransferLogin login_;
    TransferPageFunctions functions_;
    bool stopped_ = false;
};

} // namespace zym::shell
