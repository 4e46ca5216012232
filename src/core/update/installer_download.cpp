#include "update/installer_download.h"

#include "service/download_to_file.h"
#include "update/update_request.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <memory>
#include <openssl/evp.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zym {
namespace {

struct FileCloser
{
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

std::string Lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

class ProgressRelay : public DownloadProgress
{
public:
    explicit ProgressRelay(InstallerDownloadEvents* events) : events_(events) {}
    void OnBlockWritten(std::int64_t bytes) override
    {
        if (events_) {
            events_->OnProgress(bytes);
        }
    }

private:
    InstallerDownloadEvents* events_;
};

} // namespace

std::string InstallerPath(const std::string& tempFolder, const std::string& version)
{
    return tempFolder + "/Zym_Update_" + version + ".deb";
}

std::string FileSha1(const std::string& path)
{
    FilePtr file(std::fopen(path.c_str(), "rbe"));
    if (!file) {
        return {};
    }
    std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> ctx(EVP_MD_CTX_new(), EVP_MD_CTX_free);
    if (!ctx || EVP_DigestInit_ex(ctx.get(), EVP_sha1(), nullptr) != 1) {
        return {};
    }
    std::string block(1048576, '\0');
    for (;;) {
        const std::size_t n = std::fread(block.data(), 1, block.size(), file.get());
        if (n > 0 && EVP_DigestUpdate(ctx.get(), block.data(), n) != 1) {
            return {};
        }
        if (n < block.size()) {
            break;
        }
    }
    if (std::ferror(file.get())) {
        return {};
    }
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (EVP_DigestFinal_ex(ctx.get(), digest, &length) != 1) {
        return {};
    }
    static const char* hex = "0123456789abcdef";
    std::string out;
    for (unsigned int i = 0; i < length; ++i) {
        out += hex[digest[i] >> 4];
        out += hex[digest[i] & 15];
    }
    return out;
}

bool MatchesOffer(const std::string& path, const VersionOffer& offer)
{
    struct stat st
    {
    };
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
        return false;
    }
    if (offer.fileSize > 0 && st.st_size != offer.fileSize) {
        return false;
    }
    const std::string actual = FileSha1(path);
    return !actual.empty() && actual == Lower(offer.fileHash);
}

InstallerDownloadResult DownloadInstaller(const VersionOffer& offer, const std::string& tempFolder,
                                          InstallerDownloadEvents* events, const std::atomic<bool>* cancel)
{
    InstallerDownloadResult result;
    const std::string final = InstallerPath(tempFolder, offer.version);
    const std::string temp = final + ".tmp";
    ::unlink(temp.c_str()); // an old one, or a link another user left there
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) {
        result.outcome = InstallerDownloadResult::Outcome::TempFileFailed;
        result.errorCode = errno;
        return result;
    }
    FilePtr file(::fdopen(fd, "wb"));
    if (!file) {
        result.outcome = InstallerDownloadResult::Outcome::TempFileFailed;
        result.errorCode = errno;
        ::close(fd);
        ::unlink(temp.c_str());
        return result;
    }
    ProgressRelay relay(events);
    const bool transferred =
        DownloadToFile(offer.downloadUrl, std::string(kUpdateUserAgent), file.get(), &relay, cancel);
    const bool closed = std::fclose(file.release()) == 0;
    if (!transferred || !closed || (cancel && cancel->load()) || !MatchesOffer(temp, offer) ||
        ::rename(temp.c_str(), final.c_str()) != 0) {
        ::unlink(temp.c_str());
        return result;
    }
    result.outcome = InstallerDownloadResult::Outcome::Ready;
    result.path = final;
    return result;
}

} // namespace zym
