#pragma once
// The machine identifier: a stable 32-bit number of the file system that holds "/", printed as
// a signed decimal. It keys the machine-bound cipher of stored credentials and names the device
// in the usage report, so it must not change while the machine and its root file system stay.
//
// Source: statvfs("/").f_fsid folded to 32 bits (high half XOR low half). ext4, xfs and btrfs
// derive f_fsid from the file system's UUID, so it survives reboots and does not depend on the
// mount point. A file system that reports no identifier (0) falls back to the first 8 hex
// digits of /etc/machine-id, which is just as stable for the installation.
#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace zym {

// One attempt to read the 32-bit identifier; no result when it cannot be read now.
using VolumeIdReader = std::function<std::optional<std::uint32_t>()>;
// Waits between attempts (tests pass one that does not sleep).
using RetryWait = std::function<void(std::chrono::milliseconds)>;

// statvfs("/") f_fsid folded to 32 bits, else /etc/machine-id; no result when neither answers.
std::optional<std::uint32_t> ReadRootVolumeId();

// At most 3 attempts, waiting 1,000 ms after each failed one (the third included); the
// identifier printed "%d", or the check word when all attempts fail.
std::string ReadMachineIdentifier(const VolumeIdReader& read, const RetryWait& wait);

// This machine's identifier, read once per process (so that it stays the same on every call,
// even when the first read had to fall back to the check word).
const std::string& MachineIdentifier();

// The 40 lowercase hex digits of the SHA-1 of MachineIdentifier()'s UTF-8 bytes.
const std::string& MachineId();

} // namespace zym
