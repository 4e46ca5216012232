#pragma once
// What the soak reads besides the engine: the process's thread count and resident memory, the
// bytes of files and stored objects, and words in the log file.
#include "service/service_operations.h"
#include "transfer/download_files.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <malloc.h>
#include <optional>
#include <string>

namespace zym::soak {

struct ProcessFigures
{
    long threads = 0;
    long rssKiB = 0;
    long inUseKiB = 0; // what the allocator has handed out and not been given back
};

inline ProcessFigures ReadProcessFigures()
{
    ProcessFigures out;
    const struct mallinfo2 heap = mallinfo2();
    out.inUseKiB = static_cast<long>((heap.uordblks + heap.hblkhd) / 1024);
    std::ifstream in("/proc/self/status");
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind("Threads:", 0) == 0) {
            out.threads = std::stol(line.substr(8));
        } else if (line.rfind("VmRSS:", 0) == 0) {
            out.rssKiB = std::stol(line.substr(6));
        }
    }
    return out;
}

// Same length and same bytes, read a piece at a time.
inline bool FileEquals(const std::string& a, const std::string& b)
{
    std::ifstream fa(a, std::ios::binary), fb(b, std::ios::binary);
    if (!fa || !fb) {
        return false;
    }
    std::string pa(1 << 20, '\0'), pb(1 << 20, '\0');
    for (;;) {
        fa.read(pa.data(), static_cast<std::streamsize>(pa.size()));
        fb.read(pb.data(), static_cast<std::streamsize>(pb.size()));
        if (fa.gcount() != fb.gcount() ||
            std::memcmp(pa.data(), pb.data(), static_cast<size_t>(fa.gcount())) != 0) {
            return false;
        }
        if (fa.gcount() == 0) {
            return true;
        }
    }
}

// The object's bytes as the service holds them; nothing when it has no such object.
inline std::optional<std::string> StoredObject(const ServiceCall& call, const std::string& bucket,
                                               const std::string& key)
{
    HttpResponse response;
    CZymRet reply;
    if (!ReadObject(call, bucket, key, response, reply)) {
        return std::nullopt;
    }
    return std::move(response.body);
}

inline bool SameBytes(const std::optional<std::string>& bytes, const std::string& path)
{
    if (!bytes) {
        return false;
    }
    std::ifstream in(path, std::ios::binary);
    const std::string file((std::istreambuf_iterator<char>(in)), {});
    return file == *bytes;
}

inline bool NoTemporaryFiles(const std::string& target)
{
    return !std::filesystem::exists(DataFilePath(target)) &&
           !std::filesystem::exists(ProgressFilePath(target));
}

inline int CountInFile(const std::string& path, const std::string& word)
{
    std::ifstream in(path, std::ios::binary);
    int n = 0;
    std::string line;
    while (std::getline(in, line)) {
        n += line.find(word) != std::string::npos ? 1 : 0;
    }
    return n;
}

} // namespace zym::soak
