#include "bridge/program_engine.h"

#include "app/page_session.h"
#include "app/settings_store.h"
#include "bridge/transfer_functions.h"
#include "ops/login_targets.h"
#include "platform/task_pool.h"
#include "service/session_call.h"
#include "transfer/engine_services.h"
#include "transfer/upload_task_factory.h"

namespace zym {

namespace {

ControlServices Control(const Session& session, const PageSession& page, Log& log,
                        const SettingsStore& settings,
                        std::function<std::string(std::string_view word)> promptText)
{
    ControlServices control;
    control.callFor = [&session, &settings](const std::string& location) {
        return SessionCall(session, settings, location);
    };
    control.promptText = std::move(promptText);
    control.language = [&page] {
        return page.language.load();
    };
    control.log = &log;
    return control;
}

} // namespace

ProgramEngine::ProgramEngine(LoginTargets& targets, const std::string& dataFolder, const PageSession& page,
                             const std::atomic<bool>& shuttingDown, CTaskPool& pool, Log& log,
                             const SettingsStore& settings,
                             std::function<std::string(std::string_view word)> promptText)
    : engine_(targets.conditions, MakeTaskServices(log, targets.session, settings, promptText, dataFolder),
              &MakeUploadTask),
      limits_(engine_), login_(engine_, targets.session, settings, dataFolder),
      // The timed work pauses once shutdown has begun.
      worker_(
          engine_,
          [&shuttingDown, &targets] { return !shuttingDown.load() && targets.conditions.MainWindowReady(); },
          CInterfaceThread::Periods{}),
      functions_(
          engine_, [this] { return worker_.Statistics(); }, pool,
          Control(targets.session, page, log, settings, std::move(promptText))),
      targets_(targets)
{
    targets.transferLogin = &login_;
}

ProgramEngine::~ProgramEngine()
{
    targets_.transferLogin = nullptr;
}

bool ProgramEngine::Start()
{
    if (!engine_.Start()) {
        return false;
    }
    functions_.Start();
    return true;
}

void ProgramEngine::StartWorker()
{
    worker_.Start();
}

void ProgramEngine::StopWorker()
{
    worker_.Stop();
}

void ProgramEngine::StopEngine()
{
    functions_.Stop();
    engine_.Stop();
}

void ProgramEngine::RegisterFunctions(HandlerRegistry& registry)
{
    RegisterTransferFunctions(registry, functions_);
}

CTransDatabase* ProgramEngine::OpenQueue()
{
    return engine_.Database().Path().empty() ? nullptr : &engine_.Database();
}

} // namespace zym
