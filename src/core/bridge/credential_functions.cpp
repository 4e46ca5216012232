#include "bridge/credential_functions.h"

#include "bridge/handler_registry.h"
#include "credentials/account_action.h"
#include "credentials/password_lock.h"
#include "ops/app_environment.h"
#include "ops/credential_logins.h"
#include "platform/machine_id.h"

#include <ctime>

namespace zym {

void RegisterCredentialFunctions(HandlerRegistry& registry, AppEnvironment& env, CUserDatabase& database,
                                 const LanguageDocument& language, Log&)
{
    registry.AddAsync("setPassword", [&env, &database, &language](PageCall& call) {
        PasswordLock lock(database, MachineIdentifier(), MachineId());
        DeliverReply(call.reply, SetSessionPassword(env, lock, call.args.text, language));
    });
    registry.AddAsync("loginPassword", [&env, &database, &language](PageCall& call) {
        PasswordLock lock(database, MachineIdentifier(), MachineId());
        DeliverReply(call.reply, LoginPassword(env, lock, call.args.text, language));
    });
    registry.AddDirect("gAccountAction", [&database, &env](const ReadArguments& a) {
        // Stamped with the signed-in account ("" before any log-in) and the save time.
        return AccountAction(database, a.text, a.text2, env.session.Current()->accessId, std::time(nullptr));
    });
}

} // namespace zym
