#pragma once
// The rules of the web windows that need no display: reading a showWnd request, which kind of
// window it asks for and what to do with it, the outer size and place of a window from its
// requested client size, and the page addresses of the login window and the other pages.
#include <optional>
#include <string>
#include <string_view>

namespace zym {

enum class WebWindowType
{
    Normal, // any number of windows
    Sole,   // at most one; a second request re-targets it
    Single, // at most one, independent of the sole window
    Child,  // modal, one per request
    Other,  // an unknown type: nothing opens
};

// "normal", "sole", "single", "child" exactly; anything else is Other.
WebWindowType WebWindowTypeFor(std::string_view type);

struct ShowWndRequest
{
    std::string url; // "" when missing: a blank view
    WebWindowType type = WebWindowType::Other;
    bool resizable = false;
    int width = 100; // requested client size, never negative
    int height = 100;
};

// nullopt when the argument is not a JSON object (nothing opens).
std::optional<ShowWndRequest> ParseShowWnd(std::string_view argument);

enum class OpenAction
{
    Nothing,
    Create,   // a new modeless window
    Retarget, // the kind's existing window gets the new address and size
    RunModal, // a new window run in its own loop until it closes
};

OpenAction OpenActionFor(WebWindowType type, bool slotHoldsWindow);

struct WindowRect
{
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    bool operator==(const WindowRect&) const = default;
};

// Frame thickness around the client area, summed per axis.
struct FrameExtent
{
    int width = 0;  // left + right border
    int height = 0; // caption + bottom border
};

// Outer size = requested client size + frame, each at most the screen's size (the work area).
WindowRect OuterSize(int clientWidth, int clientHeight, FrameExtent frame, const WindowRect& screen);
// A new window: its outer size centred on the screen.
WindowRect CentredWindow(int clientWidth, int clientHeight, FrameExtent frame, const WindowRect& screen);
// A re-targeted window: the new outer size with the top-left corner kept.
WindowRect ResizedInPlace(const WindowRect& current, int clientWidth, int clientHeight, FrameExtent frame,
                          const WindowRect& screen);

// "file://" + the page's absolute path: folder + page path with every backslash turned into
// "/" and repeated slashes folded.
std::string PageAddress(const std::string& uiFolder, const std::string& pagePath);
// The login page; "#loginByPassword" is appended when a lock password is stored.
std::string LoginAddress(const std::string& uiFolder, const std::string& pagePath, bool lockPasswordStored);

// Whether the user database at `path` holds a saved log-in with a lock password. A missing file
// is not created.
bool LockPasswordStored(const std::string& userDatabasePath);

} // namespace zym
