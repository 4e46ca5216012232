#include "ops/login_by_key_task.h"

#include "ops/login_targets.h"
#include "platform/json_text.h"
#include "transfer/account_login.h"

namespace zym {

std::string CompleteLogin(LoginTargets& targets, const std::string& accessId, const std::string& secret,
                          const std::string& location, const std::optional<std::string>& host)
{
    // Keys, location and (for the password log-in) the stored host change together; the other
    // log-ins leave the host override as it is.
    targets.session.Update([&](Login& login) {
        login.accessId = accessId;
        login.secret = secret;
        login.location = location;
        if (host) {
            login.hostOverride = *host;
        }
    });
    if (targets.transferLogin != nullptr) {
        targets.transferLogin->CompleteLogin(accessId, secret, location); // its result is not examined
    }
    targets.conditions.SetLoggedIn(true);
    return "{\"error\":0,\"message\":\"\"}";
}

void CLoginByKeyTask::Run()
{
    std::string id, secret, location;
    if (auto args = JsonArgs::Parse(Argument())) {
        id = args->Text("keyid").value_or("");
        secret = args->Text("keysecret").value_or("");
        location = args->Text("location").value_or("");
    }
    Reply(CompleteLogin(targets_, id, secret, location));
}

} // namespace zym
