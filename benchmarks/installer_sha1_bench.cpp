// The check of a downloaded package: FileSha1 over a file of N MiB (default 256), against
// sha1sum over the same file in the same run. Prints MB/s of each and their ratio.
#include "update/installer_download.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <unistd.h>

namespace {

template <typename F> double Seconds(F f)
{
    const auto start = std::chrono::steady_clock::now();
    f();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

} // namespace

int main(int argc, char** argv)
{
    const long mib = argc > 1 ? std::atol(argv[1]) : 256;
    char path[] = "/tmp/zym-sha1-bench-XXXXXX";
    const int fd = ::mkstemp(path);
    if (fd < 0)
        return 1;
    ::close(fd);
    {
        std::ofstream out(path, std::ios::binary);
        std::string block(1 << 20, '\0');
        for (long i = 0; i < mib; ++i) {
            for (std::size_t k = 0; k < block.size(); k += 64)
                block[k] = static_cast<char>(i + k);
            out.write(block.data(), static_cast<std::streamsize>(block.size()));
        }
    }
    std::string ours, theirs;
    // A first read puts the file in the page cache for both.
    ours = zym::FileSha1(path);
    const double a = Seconds([&] { ours = zym::FileSha1(path); });
    const double b = Seconds([&] {
        std::FILE* p = ::popen((std::string("sha1sum ") + path).c_str(), "r");
        char line[128] = {};
        if (p && std::fgets(line, sizeof line, p))
            theirs.assign(line, 40);
        if (p)
            ::pclose(p);
    });
    ::unlink(path);
    const double mb = static_cast<double>(mib) * 1048576.0 / 1e6;
    std::printf("%ld MiB: FileSha1 %.0f MB/s (%.3f s), sha1sum %.0f MB/s (%.3f s), ratio %.2f, digests %s\n",
                mib, mb / a, a, mb / b, b, b / a, ours == theirs ? "equal" : "DIFFER");
    return ours == theirs ? 0 : 1;
}
