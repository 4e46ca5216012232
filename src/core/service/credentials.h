#pragma once
// The access key pair every request is signed with. A login replaces the session's pair while
// transfer threads, the operation tasks and the script bridge sign requests, so the pair is
// never read as loose global strings: each signer takes the keys it was given, and callers read
// one consistent copy per request from SessionCredentials.
#include <memory>
#include <mutex>
#include <string>

namespace zym {

struct AccessKeys
{
    std::string id;     // access key id, as sent in "ZYM id:signature"
    std::string secret; // access key secret, the HMAC key
};

// The logged-in account's keys, safe to read from any thread while a login writes them.
class SessionCredentials
{
public:
    void Set(AccessKeys keys);
    // A copy taken under the lock: id and secret always belong to the same login.
    AccessKeys Get() const;

private:
    mutable std::mutex mutex_;
    AccessKeys keys_;
};

} // namespace zym
