#pragma once
// The log-ins that unlock a stored key pair (a key file, or the password lock) and the lock
// itself. Both log-ins end in CompleteLogin, the same path as the key log-in, so whatever a
// login opens (the account's transfer queue) opens for all three.
#include "ops/page_reply.h"

#include <string>

namespace zym {

struct LoginTargets;
class Session;
class LanguageDocument;
class Log;
class PasswordLock;

// Reads the key file the user chose and logs in with its key pair.
class CLoginByFileTask : public CPageTask
{
public:
    CLoginByFileTask(LoginTargets& targets, const LanguageDocument& language, Log& log, std::string argument,
                     std::string path, ReplyTargetPtr target)
        : CPageTask(std::move(argument), std::move(target)), targets_(targets), language_(language),
          log_(log), path_(std::move(path))
    {}
    void Run() override;

private:
    LoginTargets& targets_;
    const LanguageDocument& language_;
    Log& log_;
    std::string path_;
};

// setPassword: locks the current log-in's key pair, location and host. Returns the reply.
std::string SetSessionPassword(const Session& session, PasswordLock& lock, const std::string& argument,
                               const LanguageDocument& language);

// loginPassword: on the right password, logs in with the stored key pair, area and host; on a
// wrong one the session stays as it was. Returns the reply.
std::string LoginPassword(LoginTargets& targets, PasswordLock& lock, const std::string& argument,
                          const LanguageDocument& language);

} // namespace zym
