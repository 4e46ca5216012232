#pragma once
// The key file's page calls, saveAuthorization and loginByFile, each with its file dialog on
// the calling page's window. The key pair never reaches a reply or a log line.
namespace zym {
class HandlerRegistry;
}

namespace zym::shell {

void RegisterKeyFileFunctions(HandlerRegistry& registry);

} // namespace zym::shell
