#pragma once
// The conditions the transfer engine waits for before it starts its queues: the page has
// loaded (the page's loadFinish call), an account is logged in, and the main window is ready.
// The shell and the page functions set them; the engine reads them when it lands.
#include <atomic>

namespace zym {

class EngineConditions
{
public:
    void SetPageLoaded() { pageLoaded_ = true; }
    void SetLoggedIn(bool value) { loggedIn_ = value; }
    void SetMainWindowReady() { mainWindowReady_ = true; }

    bool PageLoaded() const { return pageLoaded_; }
    bool LoggedIn() const { return loggedIn_; }
    bool MainWindowReady() const { return mainWindowReady_; }
    bool AllMet() const { return PageLoaded() && LoggedIn() && MainWindowReady(); }

private:
    std::atomic<bool> pageLoaded_{false};
    std::atomic<bool> loggedIn_{false};
    std::atomic<bool> mainWindowReady_{false};
};

} // namespace zym
