#pragma once
// The page functions core answers at once: session values and signatures, settings, the
// machine's identifier and the host of a location word.
#include "bridge/handler_registry.h"

#include <functional>
#include <map>
#include <string>
#include <string_view>

namespace zym {

class Session;
class StartConditions;
struct PageSession;
class Log;
class SettingsFunctions;
class SettingsStore;

// Signing, session values, configInfo, loadFinish and the error log.
void RegisterSessionFunctions(HandlerRegistry& registry, const Session& session, const PageSession& page,
                              StartConditions& conditions, Log& log);
// getDeviceEncoding: the SHA-1 of this machine's identifier.
void RegisterDeviceFunctions(HandlerRegistry& registry);
// Transfer limits, language, default disposition and the UI folder.
void RegisterSettingsFunctions(HandlerRegistry& registry, SettingsFunctions& functions);
// changeHost: the account's own host when one is set, else the host of the location word
// (a JSON-quoted word of 3 or more characters loses its first and last character).
void RegisterHostFunctions(HandlerRegistry& registry, const Session& session, SettingsStore& settings);

} // namespace zym
