#pragma once
// The key file: a 16-byte magic, then the check, id and secret blocks, each preceded by its
// length as a 32-bit little-endian integer. Nothing follows the secret block when written;
// a reader ignores anything that does.
#include "credentials/key_pair.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace zym {

// The GUID {A0803B27-FFE4-4C0B-9D4F-59D28587B09A} as 16 raw bytes.
inline constexpr std::string_view kKeyFileMagic{
    "\x27\x3B\x80\xA0\xE4\xFF\x0B\x4C\x9D\x4F\x59\xD2\x85\x87\xB0\x9A", 16};
inline constexpr std::size_t kKeyFileMinSize = 21;
inline constexpr std::size_t kKeyFileMaxSize = 1048576;

std::string FormatKeyFile(const KeyPairBlocks& blocks);

// No result when the size is outside 21 bytes to 1 MiB, the magic differs, or a block would
// run past the end.
std::optional<KeyPairBlocks> ParseKeyFile(std::string_view bytes);

// Writes the file through a temporary file beside it and a rename, so a failure leaves no
// file (and no half file) behind. 0, or the errno of the failed step.
int WriteKeyFile(const std::string& path, std::string_view bytes);

enum class KeyFileRead
{
    Ok,
    OpenFailed, // errorCode holds errno
    BadSize,    // outside 21 bytes to 1 MiB
};

// Reads the whole file when its size is acceptable.
KeyFileRead ReadKeyFile(const std::string& path, std::string& bytes, int& errorCode);

} // namespace zym
