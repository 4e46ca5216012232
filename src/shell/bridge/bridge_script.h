#pragma once
// The scripts put into every frame at document creation: ZYMClient for pages of the UI
// folder, and the space-key rule for every page.
#include <QString>

namespace zym::shell {

// ZYMClient with the catalogue's functions in order. Each function enters native code
// synchronously through window.prompt with the private key as its message; the script
// defines nothing in frames whose address is not a file under uiFolder.
QString BridgeScriptSource(const QString& bridgeKey, const QString& uiFolder);

// A space key press outside an editable field is swallowed (the page does not scroll).
QString SpaceKeyScriptSource();

} // namespace zym::shell
