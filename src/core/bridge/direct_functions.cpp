#include "bridge/direct_functions.h"

#include "app/log.h"
#include "app/settings_store.h"
#include "bridge/settings_functions.h"
#include "ops/app_environment.h"
#include "platform/machine_id.h"
#include "platform/utf16.h"
#include "service/service_host.h"
#include "service/signer.h"

namespace zym {

bool DirectFunctionTable::Add(std::string_view name, DirectHandler handler)
{
    const BridgeFunction* f = FindFunction(name);
    if (!f || f->route != Route::Direct || !handler)
        return false;
    handlers_[std::string(name)] = std::move(handler);
    return true;
}

const DirectHandler* DirectFunctionTable::Find(std::string_view name) const
{
    auto it = handlers_.find(name);
    return it == handlers_.end() ? nullptr : &it->second;
}

void AddSessionFunctions(DirectFunctionTable& table, AppEnvironment& env, Log& log)
{
    table.Add("getAccessID", [&env](const ReadArguments&) { return env.session.Current()->accessId; });
    table.Add("getCurrentLocation", [&env](const ReadArguments&) { return env.session.Current()->location; });
    table.Add("getCurrentHost", [&env](const ReadArguments&) { return env.session.Current()->hostOverride; });
    table.Add("getSignature",
              [&env](const ReadArguments& a) { return SignExpiring(a.text, env.session.Current()->Keys()); });
    table.Add("getRamSignature", [&env](const ReadArguments& a) {
        return SignRpc(a.text, a.text2, env.session.Current()->Keys());
    });
    table.Add("configInfo", [&env](const ReadArguments&) { return env.configText; });
    table.Add("loadFinish", [&env](const ReadArguments&) {
        env.pageLoaded = true;
        return std::string();
    });
    table.Add("getErrorLog", [&log](const ReadArguments&) { return log.GetErrorLog(); });
}

} // namespace zym

namespace zym {

void AddSettingsFunctions(DirectFunctionTable& table, SettingsFunctions& functions)
{
    table.Add("getTransInfo", [&functions](const ReadArguments&) { return functions.GetTransInfo(); });
    table.Add("setTransInfo", [&functions](const ReadArguments& a) {
        functions.SetTransInfo(a.text);
        return std::string();
    });
    table.Add("gGetLanguage", [&functions](const ReadArguments&) { return functions.GetLanguage(); });
    table.Add("gChangeLanguage", [&functions](const ReadArguments& a) {
        functions.ChangeLanguage(a.text);
        return std::string();
    });
    table.Add("getDefaultContentDisposition",
              [&functions](const ReadArguments&) { return functions.GetDefaultContentDisposition(); });
    table.Add("setDefaultContentDisposition", [&functions](const ReadArguments& a) {
        functions.SetDefaultContentDisposition(a.text);
        return std::string();
    });
    table.Add("getUIPath", [&functions](const ReadArguments&) { return functions.GetUIPath(); });
}

void AddDeviceFunctions(DirectFunctionTable& table)
{
    table.Add("getDeviceEncoding", [](const ReadArguments&) { return MachineId(); });
}

void AddHostFunctions(DirectFunctionTable& table, AppEnvironment& env, SettingsStore& settings)
{
    table.Add("changeHost", [&env, &settings](const ReadArguments& a) {
        // Characters are counted as the page counts them (UTF-16 units).
        std::u16string word = ToUtf16(a.text);
        if (word.size() > 2)
            word = word.substr(1, word.size() - 2);
        ServiceEndpoint endpoint{env.session.Current()->hostOverride, "",
                                 ServiceDomainSuffix(settings.ServiceDomain())};
        return ServiceHost(endpoint, FromUtf16(word));
    });
}

} // namespace zym
