#pragma once
// Handlers of the numbered messages that page calls send to their hosting window. Each
// handler that receives a PendingCall handle claims the record first; a handle that names
// no live record (already claimed, or never made) is ignored.
#include <cstdint>

namespace zym::shell {

class CWebBaseDlg;

void HandleWindowMessage(CWebBaseDlg& window, int message, std::uintptr_t wParam);

} // namespace zym::shell
