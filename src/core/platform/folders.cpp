#include "platform/folders.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace zym {
namespace {

std::string EnvOr(const char* name, const std::string& fallback)
{
    const char* v = std::getenv(name);
    return (v != nullptr && *v != '\0') ? std::string(v) : fallback;
}

std::string Home() { return EnvOr("HOME", "/tmp"); }

} // namespace

std::string ConfigFolder() { return EnvOr("XDG_CONFIG_HOME", Home() + "/.config") + "/ZymClient"; }

std::string DataFolder() { return EnvOr("XDG_DATA_HOME", Home() + "/.local/share") + "/ZYMClient"; }

std::string TempFolder()
{
    std::string t = EnvOr("TMPDIR", "/tmp");
    while (t.size() > 1 && t.back() == '/') {
        t.pop_back();
    }
    return t;
}

bool MakeFolders(const std::string& path)
{
    std::error_code ec;
    std::filesystem::create_directories(path, ec);
    return std::filesystem::is_directory(path, ec);
}

} // namespace zym
