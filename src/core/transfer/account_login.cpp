#include "transfer/account_login.h"

#include "platform/digest.h"

namespace zym {

std::string AccountQueuePath(const std::string& dataFolder, const std::string& accessId)
{
    return dataFolder + "/" + Sha1Hex(accessId) + "/transdb.db";
}

std::function<ServiceCall(const TransferRow& row)> SessionServiceCall(const Session& session)
{
    return [&session](const TransferRow& row) {
        const auto login = session.Current();
        ServiceCall call;
        call.keys = AccessKeys{login->accessId, login->secret};
        call.host = login->hostOverride.empty() ? row.host : login->hostOverride;
        return call;
    };
}

bool TransferLogin::CompleteLogin(const std::string& accessId, const std::string& secret,
                                  const std::string& location)
{
    session_.Update([&](Login& login) {
        login.accessId = accessId;
        login.secret = secret;
        login.location = location;
    });
    const bool opened = engine_.OpenUser(AccountQueuePath(dataFolder_, accessId), settings_);
    engine_.Conditions().SetLoggedIn(true);
    return opened;
}

void TransferLogin::SetServerLocation(const std::string& host)
{
    session_.Update([&](Login& login) { login.hostOverride = host; });
}

} // namespace zym
