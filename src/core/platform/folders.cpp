#include "platform/folders.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace zym {
namespace {

std::string EnvOr(const char* name, const std::string& fallback)
{
    const char* v = std::getenv(name);
    return (v != nullptr && *v != '\0') ? std::string(v) : fallback;
}

std::string Home()
{
    return EnvOr("HOME", "/tmp");
}

} // namespace

std::string ConfigFolder()
{
    return EnvOr("XDG_CONFIG_HOME", Home() + "/.config") + "/ZymClient";
}

std::string DataFolder()
{
    return EnvOr("XDG_DATA_HOME", Home() + "/.local/share") + "/ZYMClient";
}

std::string TempFolder()
{
    std::string t = EnvOr("TMPDIR", "/tmp");
    while (t.size() > 1 && t.back() == '/') {
        t.pop_back();
    }
    return t;
}

std::string RuntimeFolder(std::string& why)
{
    why.clear();
    struct stat st
    {
    };
    const std::string runtime = EnvOr("XDG_RUNTIME_DIR", "");
    if (!runtime.empty()) {
        if (runtime.front() == '/' && ::stat(runtime.c_str(), &st) == 0 && S_ISDIR(st.st_mode) &&
            st.st_uid == ::geteuid() && (st.st_mode & (S_IWGRP | S_IWOTH)) == 0) {
            return runtime;
        }
        why = "XDG_RUNTIME_DIR " + runtime + " is no private folder of this user; ";
    }
    // Another user may have made this name first: it is used only when it is ours and closed.
    const std::string own = TempFolder() + "/zymclient-" + std::to_string(::geteuid());
    if (::mkdir(own.c_str(), 0700) != 0 && errno != EEXIST) {
        why += own + ": " + std::strerror(errno);
        return {};
    }
    if (::lstat(own.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::geteuid() ||
        (st.st_mode & 07777) != 0700) {
        why += own + " is not a folder of this user with mode 0700";
        return {};
    }
    return own;
}

bool MakeFolders(const std::string& path)
{
    std::error_code ec;
    std::filesystem::create_directories(path, ec);
    return std::filesystem::is_directory(path, ec);
}

} // namespace zym
