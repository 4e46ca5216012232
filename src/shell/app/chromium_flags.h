#pragma once
// Switches for the embedded browser, set in the environment before the application object
// exists (the browser reads them once, when it starts).
#include <string>

namespace zym::shell {

// The remote debugging port: ZYM_REMOTE_DEBUGGING_PORT when it names a port, else 24753 when
// UIDebug is not 0, else none (0). The port lets any local process run script in the pages,
// and so sign requests with the user's key: it stays closed unless asked for.
int RemoteDebuggingPort(int uiDebug);

// Appends the program's switches to QTWEBENGINE_CHROMIUM_FLAGS (keeping the user's own),
// disables the sandbox when running as root (Chromium refuses to start otherwise) and
// opens the debugging port when `port` is not 0. Without acceleratedCompositing (the Hardware
// setting 0) the pages are composited in software.
void SetChromiumFlags(int port, bool acceleratedCompositing);

// Before the application object: views drawn in software (QT_QUICK_BACKEND=software, as on a
// display without a GPU; the browser then draws in software too) use no OpenGL, so Qt is told
// not to load the display's OpenGL driver (QT_XCB_GL_INTEGRATION=none unless set) and makes
// no shared context; otherwise the browser's views share Qt's OpenGL context.
void PrepareOpenGl();

} // namespace zym::shell
