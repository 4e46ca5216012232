#pragma once
// Logging in with an access key pair: the pair is accepted unverified (the page learns
// whether it works from its first signed requests), becomes the session's signing key and
// the session values the pages read.
#include "ops/page_reply.h"

#include <optional>
#include <string>

namespace zym {

struct LoginTargets;

// The steps every login ends with (key, key-file and password log-ins alike): session
// values, signing keys, the logged-in flag, and (when the transfer engine runs) the account's
// transfer queue opened through targets.transferLogin, which starts the schedulers. `host` is the account's
// stored host (the password log-in); the other log-ins leave the host as it is. Returns the reply text.
std::string CompleteLogin(LoginTargets& targets, const std::string& accessId, const std::string& secret,
                          const std::string& location, const std::optional<std::string>& host = std::nullopt);

class CLoginByKeyTask : public CPageTask
{
public:
    CLoginByKeyTask(LoginTargets& targets, std::string argument, ReplyTargetPtr target)
        : CPageTask(std::move(argument), std::move(target)), targets_(targets)
    {}
    void Run() override;

private:
    LoginTargets& targets_;
};

} // namespace zym
