#include "bridge/direct_functions.h"

#include "app/app_environment.h"
#include "app/log.h"
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
    table.Add("getAccessID", [&env](const ReadArguments&) { return env.session.Get().accessId; });
    table.Add("getCurrentLocation", [&env](const ReadArguments&) { return env.session.Get().location; });
    table.Add("getCurrentHost", [&env](const ReadArguments&) { return env.session.Get().host; });
    table.Add("getSignature",
              [&env](const ReadArguments& a) { return SignExpiring(a.text, env.credentials.Get()); });
    table.Add("getRamSignature",
              [&env](const ReadArguments& a) { return SignRpc(a.text, a.text2, env.credentials.Get()); });
    table.Add("configInfo", [&env](const ReadArguments&) { return env.configText; });
    table.Add("loadFinish", [&env](const ReadArguments&) {
        env.pageLoaded = true;
        return std::string();
    });
    table.Add("getErrorLog", [&log](const ReadArguments&) { return log.GetErrorLog(); });
}

} // namespace zym
