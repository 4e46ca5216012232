#include "bridge/account_functions.h"

#include "ops/login_by_key_task.h"
#include "ops/login_targets.h"
#include "platform/json_text.h"
#include "platform/task_pool.h"
#include "service/error_text.h"
#include "store/user_database.h"
#include "transfer/account_login.h"

namespace zym {

void RegisterAccountFunctions(HandlerRegistry& registry, LoginTargets& targets, CTaskPool& pool,
                              CUserDatabase& userDatabase, const LanguageDocument& language)
{
    registry.AddAsync("loginByKey", [&targets, &pool](PageCall& call) {
        pool.Post(std::make_unique<CLoginByKeyTask>(targets, call.args.text, call.reply));
    });
    registry.AddDirect("clearPassword", [&userDatabase](const ReadArguments&) {
        userDatabase.ClearAccount();
        return std::string();
    });
    // Every later request (the transfers' too) goes to this host; the saved password log-in
    // keeps it for the next run.
    registry.AddAsync("setServerLocation", [&targets, &userDatabase, &language](PageCall& call) {
        const auto args = JsonArgs::Parse(call.args.text);
        if (!args) {
            DeliverReply(call.reply, ReplyText(1, AppErrorText(language, 1)));
            return;
        }
        const std::string host = args->Text("location").value_or("");
        if (targets.transferLogin != nullptr) {
            targets.transferLogin->SetServerLocation(host);
        } else {
            targets.session.Update([&host](Login& login) { login.hostOverride = host; });
        }
        userDatabase.SetAccountHost(host);
        DeliverReply(call.reply, std::string(kSuccessReply));
    });
}

} // namespace zym
