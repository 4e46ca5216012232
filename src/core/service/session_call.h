#pragma once
// The signed call of the logged-in session for a bucket: the keys, the host chosen from the
// login's host override or location and the bucket's location, and the service domain suffix
// the settings name (else the built-in one), all from one Login snapshot.
#include "service/service_operations.h"
#include "service/session.h"

#include <string_view>

namespace zym {

class SettingsStore;

ServiceCall SessionCall(const Login& login, const SettingsStore& settings, std::string_view bucketLocation);
// Reads the session's current snapshot once.
ServiceCall SessionCall(const Session& session, const SettingsStore& settings,
                        std::string_view bucketLocation);

} // namespace zym
