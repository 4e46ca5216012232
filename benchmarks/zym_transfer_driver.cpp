// A headless run of the transfer engine for benchmarks and process-level tests: queues the
// downloads of a list file into a queue database (or resumes what the database holds), runs the
// engine until nothing is waiting or running, and prints one line per ended task.
//
//   zym_transfer_driver --db PATH [--list FILE] [--keys ID:SECRET] [--peers N] [--tasks N]
//                       [--block BYTES] [--verify 0|1] [--fsize-limit BYTES]
//
// List lines: bucket TAB object TAB local path TAB size TAB etag TAB host ("bucket.host" is the
// address). Output: "end <status> <errornum> <bytes fetched> <path> <errormsg>" per task, then
// "elapsed <seconds>". --fsize-limit sets RLIMIT_FSIZE (a full disk without a small file system).
#include "app/log.h"
#include "transfer/transfer_engine.h"

#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <mutex>
#include <sstream>
#include <sys/resource.h>

using namespace zym;

namespace {

std::vector<std::string> Split(const std::string& line, char separator)
{
    std::vector<std::string> out;
    std::stringstream in(line);
    std::string piece;
    while (std::getline(in, piece, separator)) {
        out.push_back(piece);
    }
    return out;
}

} // namespace

int main(int argc, char** argv)
{
    std::string db, list, keys = "test-key-id:test-key-secret";
    int peers = 5, tasks = 5;
    long long block = 0, fsizeLimit = 0;
    bool verify = true;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string name = argv[i], value = argv[i + 1];
        if (name == "--db") {
            db = value;
        } else if (name == "--list") {
            list = value;
        } else if (name == "--keys") {
            keys = value;
        } else if (name == "--peers") {
            peers = std::atoi(value.c_str());
        } else if (name == "--tasks") {
            tasks = std::atoi(value.c_str());
        } else if (name == "--block") {
            block = std::atoll(value.c_str());
        } else if (name == "--verify") {
            verify = value != "0";
        } else if (name == "--fsize-limit") {
            fsizeLimit = std::atoll(value.c_str());
        }
    }
    if (db.empty()) {
        std::cerr << "usage: zym_transfer_driver --db PATH [--list FILE] ...\n";
        return 2;
    }
    if (fsizeLimit > 0) {
        std::signal(SIGXFSZ, SIG_IGN); // a write past the limit then fails with EFBIG
        rlimit limit{static_cast<rlim_t>(fsizeLimit), static_cast<rlim_t>(fsizeLimit)};
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    const auto colon = keys.find(':');
    const AccessKeys accessKeys{keys.substr(0, colon),
                                colon == std::string::npos ? "" : keys.substr(colon + 1)};

    Log log;
    TaskServices services;
    services.log = &log;
    services.serviceCall = [accessKeys](const TransferRow& row) {
        return ServiceCall{accessKeys, row.host, 0};
    };
    services.verifyDownloads = [verify] {
        return verify;
    };
    services.blockSize = block;
    CTransferEngine engine(services, nullptr);
    if (!engine.Database().Open(db, true)) {
        std::cerr << "cannot open " << db << "\n";
        return 1;
    }
    if (!list.empty()) {
        std::ifstream in(list);
        std::string line;
        engine.BeginAdding(TransferKind::Download);
        engine.Database().BeginTransaction();
        while (std::getline(in, line)) {
            const auto f = Split(line, '\t');
            if (f.size() < 6) {
                continue;
            }
            TransferRow row;
            row.bucket = f[0];
            row.object = f[1];
            row.fullpath = f[2];
            row.filesize = std::atoll(f[3].c_str());
            row.key = f[4];
            row.host = f[5];
            row.status = kStatusWaiting;
            engine.Database().AddDownload(row);
        }
        engine.Database().CommitTransaction();
        engine.EndAdding(TransferKind::Download);
        std::printf("queued\n");
        std::fflush(stdout);
    }
    engine.SetLimits(tasks, peers, tasks, peers);

    std::mutex lock;
    std::condition_variable ended;
    int endings = 0;
    engine.Downloads().OnTaskEnded([&](const CTaskManagerBase::TaskEnd& end) {
        std::lock_guard g(lock);
        std::printf("end %d %d %lld %s %s\n", end.row.status, end.row.errornum,
                    static_cast<long long>(end.bytesDone), end.row.fullpath.c_str(),
                    end.row.errormsg.c_str());
        std::fflush(stdout);
        ++endings;
        ended.notify_all();
    });
    const auto start = std::chrono::steady_clock::now();
    engine.Start();
    StartConditions& conditions = engine.Conditions();
    conditions.SetMainWindowReady(true);
    conditions.SetLoggedIn(true);
    conditions.SetPageLoaded(true);
    {
        std::unique_lock g(lock);
        for (;;) {
            std::vector<TransferRow> rows;
            g.unlock();
            engine.Database().ListDownloads(-1, -1, rows);
            g.lock();
            bool busy = engine.Downloads().ActiveCount() > 0;
            for (const auto& row : rows) {
                busy = busy || row.status == kStatusWaiting || row.status == kStatusRunning;
            }
            if (!busy) {
                break;
            }
            const int seen = endings;
            // Woken by each task's end; the limit only covers an end that came before the wait.
            ended.wait_for(g, std::chrono::seconds(1), [&] { return endings != seen; });
        }
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    engine.Stop();
    std::printf("elapsed %.3f\n", seconds);
    return 0;
}
