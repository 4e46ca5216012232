#include "shell/app/transfer_runtime.h"

#include "app/language_document.h"
#include "app/log.h"
#include "app/settings_store.h"
#include "bridge/transfer_functions.h"
#include "ops/app_environment.h"
#include "ops/login_by_key_task.h"
#include "service/session_call.h"
#include "transfer/engine_services.h"

namespace zym::shell {

namespace {

std::function<std::string(std::string_view)> PromptText(LanguageDocument& language)
{
    return [&language](std::string_view word) {
        return language.String("prompt", std::string(word));
    };
}

ControlServices Control(AppEnvironment& env, SettingsStore& settings, LanguageDocument& language, Log& log)
{
    ControlServices control;
    control.callFor = [&env, &settings](const std::string& location) {
        return SessionCall(env.session, settings, location);
    };
    control.promptText = PromptText(language);
    control.language = [&env] {
        return env.language.load();
    };
    control.log = &log;
    return control;
}

} // namespace

TransferRuntime::TransferRuntime(AppEnvironment& env, SettingsStore& settings, LanguageDocument& language,
                                 Log& log)
    : env_(env), language_(language),
      engine_(MakeTaskServices(log, env.session, settings, PromptText(language)), nullptr), worker_(engine_),
      login_(engine_, env.session, settings, env.dataFolder),
      functions_(
          engine_, [this] { return worker_.Statistics(); }, env.operationPool,
          Control(env, settings, language, log))
{}

TransferRuntime::~TransferRuntime()
{
    Stop();
}

void TransferRuntime::Start()
{
    engine_.Start();
    engine_.Conditions().SetMainWindowReady(true);
    worker_.Start();
    functions_.Start();
}

void TransferRuntime::Stop()
{
    if (stopped_) {
        return;
    }
    stopped_ = true;
    worker_.Stop();
    functions_.Stop();
    engine_.Stop();
}

void TransferRuntime::Register(HandlerRegistry& registry)
{
    RegisterTransferFunctions(registry, functions_);
    // The login opens the account's queue; loadFinish lets the schedulers start.
    registry.AddAsync("loginByKey", [this](PageCall& call) {
        env_.operationPool.Post(std::make_unique<CLoginByKeyTask>(env_, call.args.text, call.reply, &login_));
    });
    if (const DirectHandler* previous = registry.FindDirect("loadFinish")) {
        registry.AddDirect("loadFinish", [this, previous = *previous](const ReadArguments& args) {
            engine_.Conditions().SetPageLoaded(true);
            return previous(args);
        });
    }
}

} // namespace zym::shell
