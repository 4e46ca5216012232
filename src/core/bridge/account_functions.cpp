#include "bridge/account_functions.h"

#include "ops/app_environment.h"
#include "ops/login_by_key_task.h"
#include "store/user_database.h"

namespace zym {

void RegisterAccountFunctions(HandlerRegistry& registry, AppEnvironment& env, CUserDatabase& userDatabase)
{
    registry.AddAsync("loginByKey", [&env](PageCall& call) {
        env.operationPool.Post(std::make_unique<CLoginByKeyTask>(env, call.args.text, call.reply));
    });
    registry.AddDirect("clearPassword", [&userDatabase](const ReadArguments&) {
        userDatabase.ClearAccount();
        return std::string();
    });
}

} // namespace zym
