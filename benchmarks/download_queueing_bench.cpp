// Queues a listed prefix for download the way saveFile does and splits the time between the
// listing and the row inserts. Needs a running local ZYM service:
//   tools/zym-local-service/zym-local-service --port 0 --account test-key-id:test-key-secret
//   download_queueing_bench zym.localhost:PORT [objects]
// The objects are put once (bucket "dlbench-<objects>") and reused by later runs. Not a test.
#include "app/log.h"
#include "bench_clock.h"
#include "ops/download_queueing.h"
#include "service/service_host.h"
#include "store/trans_database.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <sys/resource.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using zymbench::CpuSeconds;
using zymbench::Seconds;

struct NoScheduler : zym::AddingBracket
{
    void BeginAdding() override {}
    void EndAdding() override {}
};

std::string KeyOf(int i)
{
    char text[64];
    std::snprintf(text, sizeof text, "set/folder %03d/object %06d.dat", i / 1000, i);
    return text;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s zym.localhost:PORT [objects]\n", argv[0]);
        return 2;
    }
    const std::string endpoint = argv[1];
    const int objects = argc > 2 ? std::atoi(argv[2]) : 100000;
    zym::ServiceCall call;
    call.keys = {"test-key-id", "test-key-secret"};
    call.host = zym::ServiceHost(zym::ServiceEndpoint{"", "l1", zym::ServiceDomainSuffix(endpoint)}, "l1");
    const std::string bucket = "dlbench-" + std::to_string(objects);

    zym::CZymRet made;
    if (zym::CreateBucket(call, bucket, made)) {
        const auto start = std::chrono::steady_clock::now();
        std::atomic<int> next{0};
        std::vector<std::thread> workers;
        for (int w = 0; w < 8; ++w) {
            workers.emplace_back([&] {
                for (int i = next++; i < objects; i = next++) {
                    zym::CZymRet reply;
                    zym::PutObject(call, bucket, KeyOf(i), "x", {}, reply);
                }
            });
        }
        for (auto& t : workers) {
            t.join();
        }
        std::printf("put %d objects: %.1f s\n", objects, Seconds(start));
    }

    // The listing alone: the pages saveFile requests, nothing written.
    std::vector<zym::ObjectEntry> entries;
    auto start = std::chrono::steady_clock::now();
    double cpuStart = CpuSeconds();
    std::string marker;
    long listed = 0;
    int pages = 0;
    for (;;) {
        zym::CZymListObjectRet list;
        if (!zym::ListObjects(call, bucket, list, "set/", marker, "", "1000")) {
            std::fprintf(stderr, "listing failed: %d %s\n", list.Result, list.Code.c_str());
            return 1;
        }
        listed += static_cast<long>(list.Entries.size());
        entries.insert(entries.end(), list.Entries.begin(), list.Entries.end());
        ++pages;
        if (list.NextMarker.empty()) {
            break;
        }
        marker = list.NextMarker;
    }
    const double listing = Seconds(start);
    std::printf("listing alone: %ld keys in %d pages, %.3f s wall, %.3f s CPU of this process\n", listed,
                pages, listing, CpuSeconds() - cpuStart);

    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("zym-dl-bench-" + std::to_string(::getpid()));
    zym::CTransDatabase db;
    if (!db.Open((folder / "transdb.db").string(), true)) {
        return 1;
    }
    NoScheduler bracket;
    zym::StopLoadFlags stop;
    zym::Log log;
    zym::DownloadQueueing queue{db,      bracket,       stop, [&](const std::string&) { return call; },
                                nullptr, "DownloadDir", 2,    log};
    zym::DownloadItem item;
    item.host = call.host;
    item.bucket = bucket;
    item.object = "set/";
    item.fullpath = (folder / "out/set").string();
    item.folder = true;
    // The inserts alone: the listed rows written as the queueing writes them, no network.
    {
        zym::CTransDatabase alone;
        alone.Open((folder / "inserts.db").string(), true);
        start = std::chrono::steady_clock::now();
        cpuStart = CpuSeconds();
        alone.BeginTransaction();
        for (const zym::ObjectEntry& e : entries) {
            zym::TransferRow row;
            row.key = e.ETag;
            row.host = call.host;
            row.bucket = bucket;
            row.object = e.Key;
            row.fullpath = (folder / "out" / e.Key).string();
            row.filesize = std::stoll(e.Size.empty() ? "0" : e.Size);
            alone.AddDownload(row);
        }
        alone.CommitTransaction();
        std::printf("inserts alone: %zu rows, %.3f s wall, %.3f s CPU\n", entries.size(), Seconds(start),
                    CpuSeconds() - cpuStart);
    }
    start = std::chrono::steady_clock::now();
    cpuStart = CpuSeconds();
    const std::string reply = zym::QueueDownloads(queue, {item});
    const double total = Seconds(start);
    std::printf(
        "queued %lld download rows (listing + inserts): %.3f s wall, %.3f s CPU of this process, reply %s\n",
        static_cast<long long>(db.CountAll().downloads.value_or(-1)), total, CpuSeconds() - cpuStart,
        reply.c_str());
    std::filesystem::remove_all(folder);
    return 0;
}
