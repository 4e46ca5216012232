#pragma once
// The password lock: the signed-in key pair, region and host kept in the user database's one
// saved log-in row, the pair protected with the machine-bound blocks (device key MachineId)
// and the password remembered only as its digest.
#include "credentials/key_pair.h"

#include <string>

namespace zym {

class CUserDatabase;
class LanguageDocument;

class PasswordLock
{
public:
    // machineIdentifier feeds the digest; machineId keys the blocks.
    PasswordLock(CUserDatabase& database, std::string machineIdentifier, std::string machineId)
        : database_(database), identifier_(std::move(machineIdentifier)), machineId_(std::move(machineId))
    {}

    // Locks the current log-in under {"password"}; replies 0, or 1 when the argument is not JSON.
    std::string SetPassword(const std::string& argument, const PlainKeyPair& current, const std::string& area,
                            const std::string& host, const LanguageDocument& language);

    struct Unlocked
    {
        std::string reply; // the error reply, empty when unlocked
        PlainKeyPair keys;
        std::string area;
        std::string host;
    };
    // Replies 1 (not JSON) or 6 (digest differs, or no row); nothing is changed on failure.
    Unlocked LoginPassword(const std::string& argument, const LanguageDocument& language);

    // Forgets the saved log-in row.
    void ClearPassword();

private:
    CUserDatabase& database_;
    std::string identifier_;
    std::string machineId_;
};

} // namespace zym
