#pragma once
// The signed call of the logged-in session for a bucket: the session's keys, the host chosen
// from the session's host override or location and the bucket's location, and the service
// domain suffix the settings name (else the built-in one).
#include "service/service_operations.h"

#include <string_view>

namespace zym {

struct AppEnvironment;
class SettingsStore;

ServiceCall SessionCall(const AppEnvironment& environment, const SettingsStore& settings,
                        std::string_view bucketLocation);

} // namespace zym
