#include "transfer/engine_services.h"

#include "app/settings_store.h"
#include "transfer/account_login.h"

namespace zym {

bool VerifyDownloads(const SettingsStore& settings)
{
    return settings.ReadInt(kVerifyDownloadsSetting, 1) != 0;
}

TaskServices MakeTaskServices(Log& log, const Session& session, const SettingsStore& settings,
                              std::function<std::string(std::string_view word)> promptText,
                              std::string dataFolder)
{
    TaskServices services;
    services.log = &log;
    services.serviceCall = SessionServiceCall(session);
    services.promptText = std::move(promptText);
    services.verifyDownloads = [&settings] {
        return VerifyDownloads(settings);
    };
    services.sendDisposition = [&settings] {
        return settings.Disposition() != 0;
    };
    services.dataFolder = std::move(dataFolder);
    return services;
}

} // namespace zym
