#include "bridge/program_engine.h"

#include "app/settings_store.h"
#include "bridge/transfer_functions.h"
#include "ops/app_environment.h"
#include "service/session_call.h"
#include "transfer/engine_services.h"
#include "transfer/upload_task_factory.h"

namespace zym {

namespace {

ControlServices Control(AppEnvironment& env, Log& log, const SettingsStore& settings,
                        std::function<std::string(std::string_view word)> promptText)
{
    ControlServices control;
    control.callFor = [&env, &settings](const std::string& location) {
        return SessionCall(env.session, settings, location);
    };
    control.promptText = std::move(promptText);
    control.language = [&env] {
        return env.language.load();
    };
    control.log = &log;
    return control;
}

} // namespace

ProgramEngine::ProgramEngine(AppEnvironment& env, Log& log, const SettingsStore& settings,
                             std::function<std::string(std::string_view word)> promptText)
    : engine_(env.engineConditions, MakeTaskServices(log, env.session, settings, promptText, env.dataFolder),
              &MakeUploadTask),
      limits_(engine_), login_(engine_, env.session, settings, env.dataFolder),
      // The timed work pauses once shutdown has begun.
      worker_(
          engine_, [&env] { return !env.shuttingDown.load() && env.engineConditions.MainWindowReady(); },
          CInterfaceThread::Periods{}),
      functions_(
          engine_, [this] { return worker_.Statistics(); }, env.operationPool,
          Control(env, log, settings, std::move(promptText))),
      env_(env)
{
    env.transferLogin = &login_;
}

ProgramEngine::~ProgramEngine()
{
    env_.transferLogin = nullptr;
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
