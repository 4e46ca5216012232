#include "service/session_call.h"

#include "app/settings_store.h"
#include "service/service_host.h"

namespace zym {

ServiceCall SessionCall(const Login& login, const SettingsStore& settings, std::string_view bucketLocation)
{
    const ServiceEndpoint endpoint{login.hostOverride, login.location,
                                   ServiceDomainSuffix(settings.ServiceDomain())};
    ServiceCall call;
    call.keys = login.Keys();
    call.host = ServiceHost(endpoint, bucketLocation);
    return call;
}

ServiceCall SessionCall(const Session& session, const SettingsStore& settings,
                        std::string_view bucketLocation)
{
    return SessionCall(*session.Current(), settings, bucketLocation);
}

} // namespace zym
