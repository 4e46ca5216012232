#include "service/session_call.h"

#include "app/app_environment.h"
#include "app/settings_store.h"
#include "service/service_host.h"

namespace zym {

ServiceCall SessionCall(const AppEnvironment& environment, const SettingsStore& settings,
                        std::string_view bucketLocation)
{
    // One snapshot each, so keys and host data belong to the same login.
    const SessionValues::Snapshot session = environment.session.Get();
    const ServiceEndpoint endpoint{session.host, session.location,
                                   ServiceDomainSuffix(settings.ServiceDomain())};
    ServiceCall call;
    call.keys = environment.credentials.Get();
    call.host = ServiceHost(endpoint, bucketLocation);
    return call;
}

} // namespace zym
