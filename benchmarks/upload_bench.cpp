// Multipart upload of one local file through the upload task to an upload sink on loopback;
// prints wall seconds, CPU seconds (user + system, all threads) and MiB/s.
//   upload_bench FILE PORT [connections]
#include "app/log.h"
#include "bench_clock.h"
#include "store/trans_database.h"
#include "transfer/upload_task.h"
#include "transfer/upload_task_factory.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using zymbench::CpuSeconds;

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: upload_bench FILE PORT [connections]\n");
        return 2;
    }
    const std::string path = argv[1];
    const std::string host = std::string("localhost:") + argv[2];
    const int peers = argc > 3 ? std::atoi(argv[3]) : 5;
    struct stat st
    {
    };
    if (::stat(path.c_str(), &st) != 0) {
        std::perror(path.c_str());
        return 1;
    }
    const auto scratch =
        std::filesystem::temp_directory_path() / ("zym-upload-bench-" + std::to_string(::getpid()));
    std::filesystem::create_directories(scratch / "acct");
    zym::CTransDatabase db;
    if (!db.Open((scratch / "acct" / "transdb.db").string(), false)) {
        return 1;
    }
    zym::TransferRow row;
    row.key = "bench";
    row.host = host;
    row.bucket = "bench";
    row.object = "big.bin";
    row.fullpath = path;
    row.filesize = st.st_size;
    row.last = st.st_mtim.tv_sec;
    db.AddUpload(row);

    zym::Log log;
    zym::TransferContext ctx{db, log};
    ctx.serviceCall = [host](const zym::TransferRow&) {
        zym::ServiceCall call;
        call.keys = {"bench-id", "bench-secret"};
        call.host = host;
        return call;
    };
    ctx.stop = std::make_shared<zym::TaskStop>();
    ctx.progress = std::make_shared<zym::TaskProgress>();
    ctx.settings.peerMax = peers;

    const double cpu0 = CpuSeconds();
    const auto t0 = std::chrono::steady_clock::now();
    const zym::TaskResult result = zym::MakeUploadTask(row, ctx)->Run();
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    const double cpu = CpuSeconds() - cpu0;
    std::filesystem::remove_all(scratch);
    if (result.outcome != zym::TaskOutcome::Finished) {
        std::fprintf(stderr, "upload failed: %d %s\n", result.errornum, result.errormsg.c_str());
        return 1;
    }
    const double mib = static_cast<double>(st.st_size) / (1024.0 * 1024.0);
    std::printf(
        "engine: %.0f MiB, %d connections, parts of %lld bytes: wall %.2f s, cpu %.2f s, %.0f MiB/s\n", mib,
        peers, static_cast<long long>(zym::BlockSizeFor(st.st_size)), wall, cpu, mib / wall);
    return 0;
}
