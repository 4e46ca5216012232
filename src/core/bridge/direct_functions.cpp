#include "bridge/direct_functions.h"

#include "app/log.h"
#include "app/page_session.h"
#include "app/settings_store.h"
#include "bridge/settings_functions.h"
#include "platform/machine_id.h"
#include "platform/utf16.h"
#include "service/service_host.h"
#include "service/session.h"
#include "service/signer.h"
#include "transfer/start_conditions.h"

namespace zym {

void RegisterSessionFunctions(HandlerRegistry& table, const Session& session, const PageSession& page,
                              StartConditions& conditions, Log& log)
{
    table.AddDirect("getAccessID", [&session](const ReadArguments&) { return session.Current()->accessId; });
    table.AddDirect("getCurrentLocation",
                    [&session](const ReadArguments&) { return session.Current()->location; });
    table.AddDirect("getCurrentHost",
                    [&session](const ReadArguments&) { return session.Current()->hostOverride; });
    table.AddDirect("getSignature", [&session](const ReadArguments& a) {
        return SignExpiring(a.text, session.Current()->Keys());
    });
    table.AddDirect("getRamSignature", [&session](const ReadArguments& a) {
        return SignRpc(a.text, a.text2, session.Current()->Keys());
    });
    table.AddDirect("configInfo", [&page](const ReadArguments&) { return page.configText; });
    table.AddDirect("loadFinish", [&conditions](const ReadArguments&) {
        conditions.SetPageLoaded(true);
        return std::string();
    });
    table.AddDirect("getErrorLog", [&log](const ReadArguments&) { return log.GetErrorLog(); });
}

} // namespace zym

namespace zym {

void RegisterSettingsFunctions(HandlerRegistry& table, SettingsFunctions& functions)
{
    table.AddDirect("getTransInfo", [&functions](const ReadArguments&) { return functions.GetTransInfo(); });
    table.AddDirect("setTransInfo", [&functions](const ReadArguments& a) {
        functions.SetTransInfo(a.text);
        return std::string();
    });
    table.AddDirect("gGetLanguage", [&functions](const ReadArguments&) { return functions.GetLanguage(); });
    table.AddDirect("gChangeLanguage", [&functions](const ReadArguments& a) {
        functions.ChangeLanguage(a.text);
        return std::string();
    });
    table.AddDirect("getDefaultContentDisposition",
                    [&functions](const ReadArguments&) { return functions.GetDefaultContentDisposition(); });
    table.AddDirect("setDefaultContentDisposition", [&functions](const ReadArguments& a) {
        functions.SetDefaultContentDisposition(a.text);
        return std::string();
    });
    table.AddDirect("getUIPath", [&functions](const ReadArguments&) { return functions.GetUIPath(); });
}

void RegisterDeviceFunctions(HandlerRegistry& table)
{
    table.AddDirect("getDeviceEncoding", [](const ReadArguments&) { return MachineId(); });
}

void RegisterHostFunctions(HandlerRegistry& table, const Session& session, SettingsStore& settings)
{
    table.AddDirect("changeHost", [&session, &settings](const ReadArguments& a) {
        // Characters are counted as the page counts them (UTF-16 units).
        std::u16string word = ToUtf16(a.text);
        if (word.size() > 2)
            word = word.substr(1, word.size() - 2);
        ServiceEndpoint endpoint{session.Current()->hostOverride, "",
                                 ServiceDomainSuffix(settings.ServiceDomain())};
        return ServiceHost(endpoint, FromUtf16(word));
    });
}

} // namespace zym
