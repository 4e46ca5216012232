#include "transfer/upload_source.h"

#include <cerrno>
#include <cstring>
#include <sys/stat.h>

namespace zym {

namespace {

SourceState FromStat(const struct stat& st)
{
    return {static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino),
            static_cast<std::int64_t>(st.st_size),
            static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec};
}

SourceCheck Compare(const struct stat& st, const SourceState& start)
{
    const SourceState now = FromStat(st);
    if (st.st_nlink == 0 || now.device != start.device || now.inode != start.inode) {
        return SourceCheck::Vanished;
    }
    return now.size == start.size && now.mtimeNs == start.mtimeNs ? SourceCheck::Same : SourceCheck::Changed;
}

} // namespace

bool ReadSourceState(int fd, SourceState& state)
{
    struct stat st
    {
    };
    if (::fstat(fd, &st) != 0) {
        return false;
    }
    state = FromStat(st);
    return true;
}

SourceCheck CheckSource(int fd, const SourceState& start)
{
    struct stat st
    {
    };
    if (::fstat(fd, &st) != 0) {
        return SourceCheck::Vanished;
    }
    return Compare(st, start);
}

SourceCheck CheckSourcePath(const std::string& path, const SourceState& start)
{
    struct stat st
    {
    };
    if (::stat(path.c_str(), &st) != 0) {
        return SourceCheck::Vanished;
    }
    return Compare(st, start);
}

std::string SourceVanishedText(const std::string& path)
{
    return std::string(std::strerror(ENOENT)) + ": " + path;
}

std::string SourceChangedText(const std::string& path, std::int64_t expected, std::int64_t now)
{
    return "source file changed during upload (size " + std::to_string(expected) + ", now " +
           std::to_string(now) + "): " + path;
}

} // namespace zym
