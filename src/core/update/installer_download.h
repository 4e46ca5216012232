#pragma once
// The download of an offered package into the temporary folder. The package is handed on only
// when its size and SHA-1 are those the server announced; anything else is deleted.
#include "update/version_offer.h"

#include <atomic>
#include <cstdint>
#include <string>

namespace zym {

// "<tempFolder>/Zym_Update_<version>.deb".
std::string InstallerPath(const std::string& tempFolder, const std::string& version);

// 40 lowercase hex digits of the file's SHA-1, read in blocks of 1 MiB; empty when the file
// cannot be opened or read.
std::string FileSha1(const std::string& path);

// True when the file has the offer's size (when announced) and SHA-1 (either case).
bool MatchesOffer(const std::string& path, const VersionOffer& offer);

// What the download reports while it runs (on the downloading thread).
class InstallerDownloadEvents
{
public:
    virtual ~InstallerDownloadEvents() = default;
    virtual void OnProgress(std::int64_t bytes) = 0;
};

struct InstallerDownloadResult
{
    enum class Outcome
    {
        Ready,          // path holds the verified package
        TempFileFailed, // the temporary file could not be created (errorCode: errno)
        Failed,         // transfer failed, cancelled, or size or SHA-1 differ: nothing is kept
    } outcome = Outcome::Failed;
    int errorCode = 0;
    std::string path;
};

// Downloads into InstallerPath + ".tmp", checks it, and moves it to InstallerPath.
InstallerDownloadResult DownloadInstaller(const VersionOffer& offer, const std::string& tempFolder,
                                          InstallerDownloadEvents* events, const std::atomic<bool>* cancel);

} // namespace zym
