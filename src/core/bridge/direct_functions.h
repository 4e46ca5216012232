#pragma once
// The page functions that answer at once. Each subsystem adds the handlers it owns; the
// bridge looks them up by name and formats the value as the catalogue says. A function of
// the catalogue without a handler answers nothing (undefined), never a made-up value.
#include "bridge/catalogue.h"

#include <functional>
#include <map>
#include <string>
#include <string_view>

namespace zym {

struct AppEnvironment;
class Log;
class SettingsFunctions;
class SettingsStore;

using DirectHandler = std::function<std::string(const ReadArguments& args)>;

class DirectFunctionTable
{
public:
    // Replaces any handler of the same name. Names outside the catalogue are refused.
    bool Add(std::string_view name, DirectHandler handler);
    const DirectHandler* Find(std::string_view name) const;
    std::size_t Size() const { return handlers_.size(); }

private:
    std::map<std::string, DirectHandler, std::less<>> handlers_;
};

// Signing, session values, configInfo, loadFinish and the error log.
void AddSessionFunctions(DirectFunctionTable& table, AppEnvironment& env, Log& log);
// getDeviceEncoding: the SHA-1 of this machine's identifier.
void AddDeviceFunctions(DirectFunctionTable& table);
// Transfer limits, language, default disposition and the UI folder.
void AddSettingsFunctions(DirectFunctionTable& table, SettingsFunctions& functions);
// changeHost: the account's own host when one is set, else the host of the location word
// (a JSON-quoted word of 3 or more characters loses its first and last character).
void AddHostFunctions(DirectFunctionTable& table, AppEnvironment& env, SettingsStore& settings);

} // namespace zym
