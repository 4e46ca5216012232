#include "platform/machine_id.h"

#include "platform/digest.h"
#include "platform/rc4.h"

#include <cstdio>
#include <fstream>
#include <sys/statvfs.h>
#include <thread>

namespace zym {
namespace {

constexpr int kAttempts = 3;
constexpr std::chrono::milliseconds kRetryWait{1000};

std::optional<std::uint32_t> ReadEtcMachineId()
{
    std::ifstream in("/etc/machine-id");
    std::string line;
    if (!std::getline(in, line) || line.size() < 8) {
        return std::nullopt;
    }
    std::uint32_t value = 0;
    for (int i = 0; i < 8; ++i) {
        const char c = line[static_cast<std::size_t>(i)];
        int digit = -1;
        if (c >= '0' && c <= '9') {
            digit = c - '0';
        } else if (c >= 'a' && c <= 'f') {
            digit = c - 'a' + 10;
        } else if (c >= 'A' && c <= 'F') {
            digit = c - 'A' + 10;
        }
        if (digit < 0) {
            return std::nullopt;
        }
        value = (value << 4) | static_cast<std::uint32_t>(digit);
    }
    return value;
}

} // namespace

std::optional<std::uint32_t> ReadRootVolumeId()
{
    struct statvfs info
    {
    };
    if (::statvfs("/", &info) == 0) {
        const auto fsid = static_cast<std::uint64_t>(info.f_fsid);
        const auto folded = static_cast<std::uint32_t>(fsid ^ (fsid >> 32));
        if (folded != 0) {
            return folded;
        }
    }
    return ReadEtcMachineId();
}

std::string ReadMachineIdentifier(const VolumeIdReader& read, const RetryWait& wait)
{
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        if (const std::optional<std::uint32_t> id = read()) {
            char text[16];
            std::snprintf(text, sizeof text, "%d", static_cast<std::int32_t>(*id));
            return text;
        }
        wait(kRetryWait);
    }
    return std::string(kCheckWord);
}

const std::string& MachineIdentifier()
{
    static const std::string id = ReadMachineIdentifier(
        ReadRootVolumeId, [](std::chrono::milliseconds d) { std::this_thread::sleep_for(d); });
    return id;
}

const std::string& MachineId()
{
    static const std::string id = Sha1Hex(MachineIdentifier());
    return id;
}

} // namespace zym
