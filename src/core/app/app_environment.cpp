#include "app/app_environment.h"

#include "platform/folders.h"

namespace zym {

SessionValues::Snapshot SessionValues::Get() const
{
    std::lock_guard guard(lock_);
    return values_;
}

void SessionValues::SetLogin(const std::string& accessId, const std::string& location)
{
    std::lock_guard guard(lock_);
    values_.accessId = accessId;
    values_.location = location;
}

void SessionValues::SetHost(const std::string& host)
{
    std::lock_guard guard(lock_);
    values_.host = host;
}

void AppEnvironment::InitFolders(const std::string& programFolder)
{
    installFolder = programFolder;
    defaultUiFolder = programFolder + "/UI";
    dataFolder = DataFolder();
    tempFolder = TempFolder();
}

} // namespace zym
