#include "ops/login_by_key_task.h"

#include "ops/app_environment.h"
#include "platform/json_text.h"
#include "transfer/account_login.h"

namespace zym {

std::string CompleteLogin(AppEnvironment& env, const std::string& accessId, const std::string& secret,
                          const std::string& location, const std::optional<std::string>& host)
{
    // Keys, location and (for the password log-in) the stored host change together; the other
    // log-ins leave the host override as it is.
    env.session.Update([&](Login& login) {
        login.accessId = accessId;
        login.secret = secret;
        login.location = location;
        if (host) {
            login.hostOverride = *host;
        }
    });
    if (env.transferLogin != nullptr) {
        env.transferLogin->CompleteLogin(accessId, secret, location); // its result is not examined
    }
    env.engineConditions.SetLoggedIn(true);
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
    Reply(CompleteLogin(env_, id, secret, location));
}

} // namespace zym
