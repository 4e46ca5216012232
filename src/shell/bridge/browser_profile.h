#pragma once
// The browser profile every view uses: user agent, cache folder, web security off, and the
// scripts put into each document.
#include <QString>

class QWebEngineProfile;

namespace zym::shell {

struct ShellContext;

// Creates the profile once; later calls change nothing.
void SetUpBrowserProfile(const ShellContext& context, const QString& cacheFolder, const QString& versionText);
// The profile made by SetUpBrowserProfile (nullptr before).
QWebEngineProfile* BrowserProfile();

// Deletes the profile; every page using it must be gone.
void ReleaseBrowserProfile();

// "ZYM;<version>;Windows;Mozilla/5.0 ..." as the service and pages expect it.
QString UserAgentText(const QString& versionText);

} // namespace zym::shell
