#include "bridge/web_window_rules.h"

#include "platform/json_text.h"
#include "store/user_database.h"

#include <algorithm>
#include <filesystem>
#include <limits>

namespace zym {

WebWindowType WebWindowTypeFor(std::string_view type)
{
    if (type == "normal")
        return WebWindowType::Normal;
    if (type == "sole")
        return WebWindowType::Sole;
    if (type == "single")
        return WebWindowType::Single;
    if (type == "child")
        return WebWindowType::Child;
    return WebWindowType::Other;
}

namespace {

// A page's number cut into [0, int max]: a negative size would make a window with a negative
// client area, and a huge one is cut to the screen later anyway.
int SizeFrom(const JsonArgs& args, const char* name, int fallback)
{
    const auto value = args.Int(name);
    if (!value)
        return fallback;
    return static_cast<int>(std::clamp<std::int64_t>(*value, 0, std::numeric_limits<int>::max()));
}

} // namespace

std::optional<ShowWndRequest> ParseShowWnd(std::string_view argument)
{
    const auto args = JsonArgs::Parse(argument);
    if (!args)
        return std::nullopt;
    ShowWndRequest request;
    request.url = args->Text("url").value_or("");
    request.type = WebWindowTypeFor(args->Text("type").value_or(""));
    request.resizable = args->Int("resize").value_or(0) > 0;
    request.width = SizeFrom(*args, "width", 100);
    request.height = SizeFrom(*args, "height", 100);
    return request;
}

OpenAction OpenActionFor(WebWindowType type, bool slotHoldsWindow)
{
    switch (type) {
    case WebWindowType::Normal:
        return OpenAction::Create;
    case WebWindowType::Sole:
    case WebWindowType::Single:
        return slotHoldsWindow ? OpenAction::Retarget : OpenAction::Create;
    case WebWindowType::Child:
        return OpenAction::RunModal;
    case WebWindowType::Other:
        break;
    }
    return OpenAction::Nothing;
}

WindowRect OuterSize(int clientWidth, int clientHeight, FrameExtent frame, const WindowRect& screen)
{
    const auto outer = [](int client, int extra, int limit) {
        const long long wanted = static_cast<long long>(std::max(client, 0)) + std::max(extra, 0);
        return static_cast<int>(std::min<long long>(wanted, std::max(limit, 0)));
    };
    return {0, 0, outer(clientWidth, frame.width, screen.width),
            outer(clientHeight, frame.height, screen.height)};
}

WindowRect CentredWindow(int clientWidth, int clientHeight, FrameExtent frame, const WindowRect& screen)
{
    WindowRect r = OuterSize(clientWidth, clientHeight, frame, screen);
    r.x = screen.x + (screen.width - r.width) / 2;
    r.y = screen.y + (screen.height - r.height) / 2;
    return r;
}

WindowRect ResizedInPlace(const WindowRect& current, int clientWidth, int clientHeight, FrameExtent frame,
                          const WindowRect& screen)
{
    WindowRect r = OuterSize(clientWidth, clientHeight, frame, screen);
    r.x = current.x;
    r.y = current.y;
    return r;
}

std::string PageAddress(const std::string& uiFolder, const std::string& pagePath)
{
    std::string path = uiFolder + "/" + pagePath;
    std::replace(path.begin(), path.end(), '\\', '/');
    std::string folded;
    folded.reserve(path.size() + 1);
    for (char c : path) {
        if (c == '/' && !folded.empty() && folded.back() == '/')
            continue;
        folded.push_back(c);
    }
    if (folded.empty() || folded.front() != '/')
        folded.insert(folded.begin(), '/');
    return "file://" + folded;
}

std::string LoginAddress(const std::string& uiFolder, const std::string& pagePath, bool lockPasswordStored)
{
    std::string address = PageAddress(uiFolder, pagePath);
    if (lockPasswordStored)
        address += "#loginByPassword";
    return address;
}

bool LockPasswordStored(const std::string& userDatabasePath)
{
    std::error_code ec;
    if (!std::filesystem::is_regular_file(userDatabasePath, ec))
        return false;
    CUserDatabase database("");
    std::string password;
    return database.Open(userDatabasePath) && database.LoadPassword(password) && !password.empty();
}

} // namespace zym
