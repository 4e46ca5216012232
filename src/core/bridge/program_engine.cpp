#include "bridge/program_engine.h"

#include "app/settings_store.h"
#include "ops/app_environment.h"
#include "transfer/engine_services.h"
#include "transfer/upload_task_factory.h"

namespace zym {

ProgramEngine::ProgramEngine(AppEnvironment& env, Log& log, const SettingsStore& settings,
                             std::function<std::string(std::string_view word)> promptText)
    : engine_(env.engineConditions,
              MakeTaskServices(log, env.session, settings, std::move(promptText), env.dataFolder),
              &MakeUploadTask),
      limits_(engine_), login_(engine_, env.session, settings, env.dataFolder),
      // The timed work pauses once shutdown has begun.
      worker_(
          engine_, [&env] { return !env.shuttingDown.load() && env.engineConditions.MainWindowReady(); },
          CInterfaceThread::Periods{}),
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
    return engine_.Start();
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
    engine_.Stop();
}

CTransDatabase* ProgramEngine::OpenQueue()
{
    return engine_.Database().Path().empty() ? nullptr : &engine_.Database();
}

} // namespace zym
