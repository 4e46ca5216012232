#pragma once
// Registers the desktop functions: clipboard, dragged files, the selection and folder dialogs,
// addresses and the log folder. One registration per function; the
// work is in the files named after it.
namespace zym {
class HandlerRegistry;
} // namespace zym

namespace zym::shell {

struct ShellContext;
class DesktopOpener;

void RegisterDesktopFunctions(HandlerRegistry& registry, ShellContext& context, DesktopOpener& opener);

} // namespace zym::shell
