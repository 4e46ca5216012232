#include "bridge/account_functions.h"

#include "ops/app_environment.h"
#include "ops/login_by_key_task.h"
#include "platform/json_text.h"
#include "service/error_text.h"
#include "store/user_database.h"
#include "transfer/account_login.h"

namespace zym {

void RegisterAccountFunctions(HandlerRegistry& registry, AppEnvironment& env, CUserDatabase& userDatabase,
                              const LanguageDocument& language)
{
    registry.AddAsync("loginByKey", [&env](PageCall& call) {
        env.operationPool.Post(std::make_unique<CLoginByKeyTask>(env, call.args.text, call.reply));
    });
    registry.AddDirect("clearPassword", [&userDatabase](const ReadArguments&) {
        userDatabase.ClearAccount();
        return std::string();
    });
    // Every later request (the transfers' too) goes to this host; the saved password log-in
    // keeps it for the next run.
    registry.AddAsync("setServerLocation", [&env, &userDatabase, &language](PageCall& call) {
        const auto args = JsonArgs::Parse(call.args.text);
        if (!args) {
            DeliverReply(call.reply, ReplyText(1, AppErrorText(language, 1)));
            return;
        }
        const std::string host = args->Text("location").value_or("");
        if (env.transferLogin != nullptr) {
            env.transferLogin->SetServerLocation(host);
        } else {
            env.session.Update([&host](Login& login) { login.hostOverride = host; });
        }
        userDatabase.SetAccountHost(host);
        DeliverReply(call.reply, std::string(kSuccessReply));
    });
}

} // namespace zym
