#include "app/app_folders.h"

#include "platform/folders.h"

namespace zym {

void AppFolders::InitFolders(const std::string& programFolder)
{
    installFolder = programFolder;
    defaultUiFolder = programFolder + "/UI";
    dataFolder = DataFolder();
    tempFolder = TempFolder();
}

} // namespace zym
