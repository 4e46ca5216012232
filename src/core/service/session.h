#pragma once
// The logged-in account as one immutable snapshot. A login builds a new Login and swaps it in
// whole, so every request reads keys, location and host override that belong together: a
// request that started before a login finishes with the old account, never half of each.
#include <memory>
#include <mutex>
#include <string>

namespace zym {

// The key pair a request or a page signature is signed with.
struct AccessKeys
{
    std::string id;     // access key id, as sent in "ZYM id:signature"
    std::string secret; // access key secret, the HMAC key
};

struct Login
{
    std::string accessId;     // access key id, as sent in "ZYM id:signature"
    std::string secret;       // access key secret, the HMAC key
    std::string location;     // the account's location word ("cn-east")
    std::string hostOverride; // the account's own host, empty when the location decides

    bool Empty() const { return accessId.empty(); }
    AccessKeys Keys() const { return AccessKeys{accessId, secret}; }
};

class Session
{
public:
    Session() : current_(std::make_shared<const Login>()) {}

    // Never null; an empty Login before anyone has logged in.
    std::shared_ptr<const Login> Current() const
    {
        std::lock_guard g(lock_);
        return current_;
    }
    void Replace(Login login)
    {
        auto next = std::make_shared<const Login>(std::move(login));
        std::lock_guard g(lock_);
        current_ = std::move(next);
    }
    // A new snapshot made from the current one under the lock, so two changes made at once
    // (a login and a host change) never lose one another.
    template <typename Change> void Update(Change change)
    {
        std::lock_guard g(lock_);
        Login next = *current_;
        change(next);
        current_ = std::make_shared<const Login>(std::move(next));
    }
    bool LoggedIn() const { return !Current()->Empty(); }

private:
    mutable std::mutex lock_;
    std::shared_ptr<const Login> current_;
};

} // namespace zym
