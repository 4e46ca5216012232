#pragma once
// The values the pages' functions read while the program runs: the interface language, the
// default disposition, and the UI folder's config.json as read at start-up.
#include <atomic>
#include <string>

namespace zym {

struct PageSession
{
    std::atomic<int> language{0};
    std::atomic<int> defaultDisposition{0};
    // config.json of the install folder's UI folder, read once when the main window starts.
    std::string configText;
    std::string configSource;
};

} // namespace zym
