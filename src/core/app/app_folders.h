#pragma once
// The folders of one run: where the program is installed, its own pages, the user's data and
// temporary files. Filled once at start-up and read by the parts that keep or find files.
#include <string>

namespace zym {

struct AppFolders
{
    std::string installFolder;   // folder of the running program file
    std::string defaultUiFolder; // installFolder + "/UI"
    std::string dataFolder;      // user database, per-user queues, logs
    std::string tempFolder;

    // Fills the folders from the program file's folder and the platform's places.
    void InitFolders(const std::string& programFolder);
};

} // namespace zym
