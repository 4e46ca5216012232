#include "platform/trash.h"

#include "platform/folders.h"
#include "platform/write_all.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <system_error>
#include <unistd.h>

namespace zym {
namespace {

namespace fs = std::filesystem;

// The trashinfo Path key is a URL-style escaped path: unreserved characters and "/" stay.
std::string EscapePath(const std::string& path)
{
    static const char* hex = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : path) {
        const bool keep = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                          c == '-' || c == '_' || c == '.' || c == '~' || c == '/';
        if (keep) {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 15];
        }
    }
    return out;
}

std::string LocalTimeStamp()
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &local);
    return text;
}

// Moves across file systems by copying; the original goes only once the copy is complete.
bool MoveFile(const fs::path& from, const fs::path& to)
{
    std::error_code ec;
    fs::rename(from, to, ec);
    if (!ec) {
        return true;
    }
    if (ec != std::errc::cross_device_link) {
        return false;
    }
    if (!fs::copy_file(from, to, fs::copy_options::none, ec) || ec) {
        fs::remove(to, ec);
        return false;
    }
    return fs::remove(from, ec) && !ec;
}

} // namespace

std::string HomeTrashFolder()
{
    const char* data = std::getenv("XDG_DATA_HOME");
    if (data != nullptr && *data != '\0') {
        return std::string(data) + "/Trash";
    }
    const char* home = std::getenv("HOME");
    return std::string(home != nullptr && *home != '\0' ? home : "/tmp") + "/.local/share/Trash";
}

bool MoveToTrash(const std::string& path)
{
    std::error_code ec;
    const fs::path source = fs::absolute(path, ec);
    if (ec || !fs::exists(fs::symlink_status(source, ec))) {
        return false;
    }
    const fs::path trash = HomeTrashFolder();
    if (!MakeFolders((trash / "files").string()) || !MakeFolders((trash / "info").string())) {
        return false;
    }
    const std::string info = "[Trash Info]\nPath=" + EscapePath(source.lexically_normal().string()) +
                             "\nDeletionDate=" + LocalTimeStamp() + "\n";
    const std::string base = source.filename().string();
    for (int n = 1; n < 10000; ++n) {
        const std::string name = n == 1 ? base : base + "." + std::to_string(n);
        const fs::path infoPath = trash / "info" / (name + ".trashinfo");
        // Creating the info file exclusively claims the name against other programs.
        const int fd = ::open(infoPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0) {
            if (errno == EEXIST) {
                continue;
            }
            return false;
        }
        const bool written = WriteAll(fd, info);
        const bool closed = ::close(fd) == 0;
        const fs::path target = trash / "files" / name;
        if (written && closed && fs::exists(fs::symlink_status(target, ec))) {
            // the files/ name is taken without an info record: try the next name
            fs::remove(infoPath, ec);
            continue;
        }
        if (written && closed && MoveFile(source, target)) {
            return true;
        }
        fs::remove(infoPath, ec);
        return false;
    }
    return false;
}

} // namespace zym
