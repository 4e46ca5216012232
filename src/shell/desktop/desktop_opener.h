#pragma once
// Hands addresses and folders to the desktop's default handler. Test builds can swap it for
// one that records what would have been opened (ZYM_TEST_OPENER names the record file).
#include <QUrl>
#include <memory>

namespace zym::shell {

class DesktopOpener
{
public:
    virtual ~DesktopOpener() = default;
    virtual bool Open(const QUrl& url) = 0;
};

// The desktop's opener, or in a test build with ZYM_TEST_OPENER set, the recording one.
std::unique_ptr<DesktopOpener> MakeDesktopOpener();

} // namespace zym::shell
