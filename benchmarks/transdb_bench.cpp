// Queues 100,000 upload rows in one transaction (file and mirror), then pages through them
// from the mirror the way the page's list does. Prints wall-clock figures; not a test.
#include "bench_clock.h"
#include "platform/digest.h"
#include "platform/machine_id.h"
#include "store/trans_database.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

namespace {

using zymbench::CpuSeconds;
using zymbench::Seconds;

} // namespace

int main(int argc, char** argv)
{
    const int rows = argc > 1 ? std::atoi(argv[1]) : 100000;
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("zym-transdb-bench-" + std::to_string(::getpid()));
    std::filesystem::remove_all(folder);
    const std::string path = (folder / "transdb.db").string();

    zym::CTransDatabase db;
    if (!db.Open(path, true)) {
        std::fprintf(stderr, "cannot open %s\n", path.c_str());
        return 1;
    }
    // Keys are prepared first so that only the database work is timed.
    std::vector<zym::TransferRow> queue(static_cast<std::size_t>(rows));
    for (int i = 0; i < rows; ++i) {
        zym::TransferRow& r = queue[static_cast<std::size_t>(i)];
        r.object = "folder/sub/file-" + std::to_string(i) + ".dat";
        r.key = zym::Sha1Hex("bench-bucket" + r.object);
        r.host = "loc.zym.localhost";
        r.bucket = "bench-bucket";
        r.fullpath = "/home/user/data/folder/sub/file-" + std::to_string(i) + ".dat";
        r.filesize = 1024 + i;
        r.last = 1700000000 + i;
    }

    auto start = std::chrono::steady_clock::now();
    const double cpuStart = CpuSeconds();
    db.BeginTransaction();
    for (const zym::TransferRow& r : queue) {
        db.AddUpload(r);
    }
    db.CommitTransaction();
    const double queued = Seconds(start);
    const double queuedCpu = CpuSeconds() - cpuStart;

    for (int pageSize : {100, 1000}) {
        start = std::chrono::steady_clock::now();
        std::size_t seen = 0;
        int pages = 0;
        std::vector<zym::TransferRow> page;
        for (int offset = 0;; offset += pageSize) {
            db.ListUploads(pageSize, offset, page);
            if (page.empty()) {
                break;
            }
            seen += page.size();
            ++pages;
        }
        std::printf("paged %zu rows in %d pages of %d: %.3f s\n", seen, pages, pageSize, Seconds(start));
    }
    start = std::chrono::steady_clock::now();
    const zym::QueueCounts counts = db.CountAll();
    std::printf("count(*) of %lld uploads: %.4f s\n", static_cast<long long>(counts.uploads.value_or(-1)),
                Seconds(start));
    start = std::chrono::steady_clock::now();
    const bool next = db.NextUpload().has_value();
    std::printf("next waiting upload (file): %s in %.4f s\n", next ? "found" : "none", Seconds(start));
    std::printf("queued %d upload rows in one transaction: %.3f s wall, %.3f s CPU\n", rows, queued,
                queuedCpu);
    std::filesystem::remove_all(folder);
    return 0;
}
