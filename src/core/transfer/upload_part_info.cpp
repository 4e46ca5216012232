#include "transfer/upload_part_info.h"

#include "platform/unique_fd.h"
#include "platform/write_all.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>

namespace zym {

namespace {

void PutLe(std::string& out, std::uint64_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i) {
        out.push_back(static_cast<char>((value >> (8 * i)) & 0xff));
    }
}

std::uint64_t GetLe(const unsigned char* in, int bytes)
{
    std::uint64_t value = 0;
    for (int i = bytes - 1; i >= 0; --i) {
        value = (value << 8) | in[i];
    }
    return value;
}

bool SafeChar(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '.' ||
           c == '_' || c == '-';
}

} // namespace

std::string PartInfoName(const std::string& uploadId)
{
    static const char* kHex = "0123456789ABCDEF";
    std::string name;
    for (char c : uploadId) {
        if (SafeChar(c)) {
            name.push_back(c);
        } else {
            const auto b = static_cast<unsigned char>(c);
            name += {'%', kHex[b >> 4], kHex[b & 15]};
        }
    }
    // "." and ".." are no names of their own.
    if (name == "." || name == "..") {
        name = "%2E" + name.substr(1);
    }
    return name;
}

std::string EncodePartInfo(const std::vector<PartRecord>& records)
{
    std::string out;
    out.reserve(records.size() * kPartRecordSize);
    for (const PartRecord& r : records) {
        PutLe(out, static_cast<std::uint32_t>(r.number), 4);
        PutLe(out, static_cast<std::uint64_t>(r.start), 8);
        PutLe(out, static_cast<std::uint64_t>(r.length), 8);
        std::string etag = r.etag.substr(0, kPartEtagSize);
        etag.resize(kPartEtagSize, '\0');
        out += etag;
    }
    return out;
}

bool ReadPartInfo(const std::string& path, std::vector<PartRecord>& records, bool* cutOff)
{
    records.clear();
    if (cutOff != nullptr) {
        *cutOff = false;
    }
    UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd) {
        return errno == ENOENT;
    }
    struct stat st
    {
    };
    if (::fstat(fd.get(), &st) != 0) {
        return false;
    }
    const auto size = static_cast<std::size_t>(st.st_size);
    if (size == 0 || size % kPartRecordSize != 0) {
        if (cutOff != nullptr) {
            *cutOff = size != 0;
        }
        return true;
    }
    std::string data(size, '\0');
    std::size_t got = 0;
    while (got < size) {
        const ssize_t n = ::pread(fd.get(), data.data() + got, size - got, static_cast<off_t>(got));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false; // a short read changes nothing
        }
        got += static_cast<std::size_t>(n);
    }
    records = DecodePartInfo(data);
    return true;
}

std::vector<PartRecord> DecodePartInfo(std::string_view bytes)
{
    std::vector<PartRecord> records;
    if (bytes.size() % kPartRecordSize != 0) {
        return records;
    }
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    for (std::size_t at = 0; at < bytes.size(); at += kPartRecordSize) {
        PartRecord r;
        r.number = static_cast<std::int32_t>(GetLe(p + at, 4));
        r.start = static_cast<std::int64_t>(GetLe(p + at + 4, 8));
        r.length = static_cast<std::int64_t>(GetLe(p + at + 12, 8));
        const char* etag = bytes.data() + at + 20;
        r.etag.assign(etag, strnlen(etag, kPartEtagSize));
        records.push_back(std::move(r));
    }
    return records;
}

void RemovePartInfo(const std::string& path)
{
    ::unlink(path.c_str());
    ::unlink((path + kPartInfoScratchSuffix).c_str());
}

bool WritePartInfo(const std::string& path, const std::vector<PartRecord>& records)
{
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ec);
    const std::string temp = path + kPartInfoScratchSuffix;
    UniqueFd fd(::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600));
    if (!fd) {
        return false;
    }
    // Synced before the rename: after a power cut the name never points at unwritten blocks.
    if (!WriteAll(fd.get(), EncodePartInfo(records)) || ::fdatasync(fd.get()) != 0) {
        fd.reset();
        ::unlink(temp.c_str());
        return false;
    }
    fd.reset();
    if (::rename(temp.c_str(), path.c_str()) != 0) {
        ::unlink(temp.c_str());
        return false;
    }
    return true;
}

} // namespace zym
