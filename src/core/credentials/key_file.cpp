#include "credentials/key_file.h"

#include "platform/unique_fd.h"
#include "platform/write_all.h"

#include <cerrno>
#include <cstdint>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zym {
namespace {

void AppendLength(std::string& out, std::size_t n)
{
    const auto v = static_cast<std::uint32_t>(n);
    for (int shift = 0; shift < 32; shift += 8) {
        out += static_cast<char>((v >> shift) & 0xFF);
    }
}

// Takes one length-prefixed block at `pos`; false when it would run past the end.
bool TakeBlock(std::string_view bytes, std::size_t& pos, std::string& block)
{
    if (bytes.size() - pos < 4) {
        return false;
    }
    std::uint32_t n = 0;
    for (int k = 3; k >= 0; --k) {
        n = (n << 8) | static_cast<unsigned char>(bytes[pos + static_cast<std::size_t>(k)]);
    }
    pos += 4;
    if (n > bytes.size() - pos) {
        return false;
    }
    block.assign(bytes.substr(pos, n));
    pos += n;
    return true;
}

} // namespace

std::string FormatKeyFile(const KeyPairBlocks& blocks)
{
    std::string out(kKeyFileMagic);
    for (const std::string* block : {&blocks.check, &blocks.id, &blocks.secret}) {
        AppendLength(out, block->size());
        out += *block;
    }
    return out;
}

std::optional<KeyPairBlocks> ParseKeyFile(std::string_view bytes)
{
    if (bytes.size() < kKeyFileMinSize || bytes.size() > kKeyFileMaxSize ||
        bytes.substr(0, 16) != kKeyFileMagic) {
        return std::nullopt;
    }
    KeyPairBlocks blocks;
    std::size_t pos = 16;
    if (!TakeBlock(bytes, pos, blocks.check) || !TakeBlock(bytes, pos, blocks.id) ||
        !TakeBlock(bytes, pos, blocks.secret)) {
        return std::nullopt;
    }
    return blocks;
}

int WriteKeyFile(const std::string& path, std::string_view bytes)
{
    const std::string temp = path + ".zymtmp";
    UniqueFd fd(::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600));
    if (!fd) {
        return errno;
    }
    if (!WriteAll(fd.get(), bytes) || ::fsync(fd.get()) != 0) {
        const int err = errno ? errno : EIO;
        ::unlink(temp.c_str());
        return err;
    }
    fd.reset();
    if (::rename(temp.c_str(), path.c_str()) != 0) {
        const int err = errno;
        ::unlink(temp.c_str());
        return err;
    }
    return 0;
}

KeyFileRead ReadKeyFile(const std::string& path, std::string& bytes, int& errorCode)
{
    UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd) {
        errorCode = errno;
        return KeyFileRead::OpenFailed;
    }
    struct stat st
    {
    };
    if (::fstat(fd.get(), &st) != 0) {
        errorCode = errno;
        return KeyFileRead::OpenFailed;
    }
    if (!S_ISREG(st.st_mode) || st.st_size < static_cast<off_t>(kKeyFileMinSize) ||
        st.st_size > static_cast<off_t>(kKeyFileMaxSize)) {
        return KeyFileRead::BadSize;
    }
    bytes.assign(static_cast<std::size_t>(st.st_size), '\0');
    std::size_t got = 0;
    while (got < bytes.size()) {
        const ssize_t n = ::read(fd.get(), bytes.data() + got, bytes.size() - got);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            break;
        }
        got += static_cast<std::size_t>(n);
    }
    // A file that shrank while read is judged by what was read.
    bytes.resize(got);
    return KeyFileRead::Ok;
}

} // namespace zym
