#pragma once
// The update server's answer to a version check: the version on offer, where its package is,
// and the size and SHA-1 the downloaded package must have.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace zym {

struct VersionOffer
{
    std::string version; // the offered version (shown, and part of the package's file name)
    std::string downloadUrl;
    std::int64_t fileSize = 0;
    std::string fileHash; // 40 hex digits, either case
};

// Reads "version", "downloadurl", "filesize" (a number, or when that is 0 or missing a string
// holding a decimal number) and "filehash"; a missing member leaves the version as `current`
// and other values empty. No result for an empty or non-JSON body (nothing is offered).
std::optional<VersionOffer> ParseVersionOffer(std::string_view body, const std::string& current);

// True when the offer can be downloaded and verified: an http(s) address, a SHA-1 of 40 hex
// digits and a version text that is safe inside a file name (letters, digits, ".", "-", "_",
// "+", "~", at most 64 characters).
bool IsUsableOffer(const VersionOffer& offer);

} // namespace zym
