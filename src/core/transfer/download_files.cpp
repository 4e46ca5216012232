#include "transfer/download_files.h"

#include "platform/unique_fd.h"
#include "platform/write_all.h"

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>

namespace zym {

bool SaveProgressFile(const std::string& fullpath, const RangeList& stored)
{
    const std::string scratch = ProgressScratchPath(fullpath);
    UniqueFd fd(::open(scratch.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
    if (!fd || !WriteAll(fd.get(), stored.ToText())) {
        fd.reset();
        ::unlink(scratch.c_str());
        return false;
    }
    fd.reset();
    return ::rename(scratch.c_str(), ProgressFilePath(fullpath).c_str()) == 0;
}

ProgressRead LoadProgressFile(const std::string& fullpath, RangeList& stored)
{
    stored.Clear();
    UniqueFd fd(::open(ProgressFilePath(fullpath).c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd) {
        return errno == ENOENT ? ProgressRead::Missing : ProgressRead::Unreadable;
    }
    std::string text;
    char buffer[64 * 1024];
    for (;;) {
        const ssize_t n = ::read(fd.get(), buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            return ProgressRead::Unreadable;
        }
        if (n == 0) {
            break;
        }
        text.append(buffer, static_cast<size_t>(n));
    }
    stored = RangeList::FromText(text);
    // The program writes only whole, merged, ascending ranges, so its own text reads back to
    // itself; anything else cannot be trusted to say which bytes are stored.
    if (stored.ToText() != text) {
        stored.Clear();
        return ProgressRead::Damaged;
    }
    return ProgressRead::Loaded;
}

void DeleteTempFiles(const std::string& fullpath)
{
    ::unlink(DataFilePath(fullpath).c_str());
    const std::filesystem::path target(fullpath);
    const std::string prefix = target.filename().string() + kDownloadSuffix + ".";
    std::string folder = target.parent_path().string();
    if (folder.empty()) {
        folder = ".";
    }
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr) {
        return;
    }
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name.compare(0, prefix.size(), prefix) != 0) {
            continue;
        }
        const std::string path = folder + "/" + name;
        struct stat st
        {
        };
        if (::lstat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode)) {
            ::unlink(path.c_str());
        }
    }
    ::closedir(dir);
}

bool CreateParentFolders(const std::string& path)
{
    const std::filesystem::path parent = std::filesystem::path(path).parent_path();
    if (parent.empty()) {
        return true;
    }
    std::error_code error;
    std::filesystem::create_directories(parent, error);
    return std::filesystem::is_directory(parent, error);
}

} // namespace zym
