#include "ops/app_environment.h"

#include "platform/folders.h"

namespace zym {

void AppEnvironment::InitFolders(const std::string& programFolder)
{
    installFolder = programFolder;
    defaultUiFolder = programFolder + "/UI";
    dataFolder = DataFolder();
    tempFolder = TempFolder();
}

} // namespace zym
