#include "ops/credential_logins.h"

#include "credentials/key_file_operations.h"
#include "credentials/password_lock.h"
#include "ops/login_by_key_task.h"
#include "ops/login_targets.h"
#include "platform/machine_id.h"

namespace zym {

void CLoginByFileTask::Run()
{
    KeyFileLogin read = ReadKeyFileLogin(Argument(), path_, MachineId(), language_, log_);
    if (!read.reply.empty()) {
        Reply(read.reply);
        return;
    }
    Reply(CompleteLogin(targets_, read.keys.id, read.keys.secret, read.location));
}

std::string SetSessionPassword(const Session& session, PasswordLock& lock, const std::string& argument,
                               const LanguageDocument& language)
{
    const std::shared_ptr<const Login> login = session.Current();
    return lock.SetPassword(argument, {login->accessId, login->secret}, login->location, login->hostOverride,
                            language);
}

std::string LoginPassword(LoginTargets& targets, PasswordLock& lock, const std::string& argument,
                          const LanguageDocument& language)
{
    PasswordLock::Unlocked unlocked = lock.LoginPassword(argument, language);
    if (!unlocked.reply.empty()) {
        return unlocked.reply;
    }
    return CompleteLogin(targets, unlocked.keys.id, unlocked.keys.secret, unlocked.area, unlocked.host);
}

} // namespace zym
