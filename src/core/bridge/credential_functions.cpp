#include "bridge/credential_functions.h"

#include "bridge/handler_registry.h"
#include "credentials/account_action.h"
#include "credentials/password_lock.h"
#include "ops/credential_logins.h"
#include "ops/login_targets.h"
#include "platform/machine_id.h"

#include <ctime>

namespace zym {

void RegisterCredentialFunctions(HandlerRegistry& registry, LoginTargets& targets, CUserDatabase& database,
                                 const LanguageDocument& language, Log&)
{
    registry.AddAsync("setPassword", [&targets, &database, &language](PageCall& call) {
        PasswordLock lock(database, MachineIdentifier(), MachineId());
        DeliverReply(call.reply, SetSessionPassword(targets.session, lock, call.args.text, language));
    });
    registry.AddAsync("loginPassword", [&targets, &database, &language](PageCall& call) {
        PasswordLock lock(database, MachineIdentifier(), MachineId());
        DeliverReply(call.reply, LoginPassword(targets, lock, call.args.text, language));
    });
    registry.AddDirect("gAccountAction", [&database, &targets](const ReadArguments& a) {
        // Stamped with the signed-in account ("" before any log-in) and the save time.
        return AccountAction(database, a.text, a.text2, targets.session.Current()->accessId,
                             std::time(nullptr));
    });
}

} // namespace zym
