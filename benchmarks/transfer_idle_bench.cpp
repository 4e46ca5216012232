// The idle engine: a queue of 100,000 stopped downloads, every start condition met, nothing to
// do. Counts the voluntary context switches of all the process's threads and its CPU time over
// a window (seconds, first argument; 60 by default), with and without the worker thread.
#include "app/log.h"
#include "bench_clock.h"
#include "transfer/interface_thread.h"
#include "transfer/transfer_engine.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/resource.h>
#include <thread>

using namespace zym;

namespace {

using zymbench::CpuSeconds;

long long VoluntarySwitches()
{
    long long total = 0;
    DIR* dir = opendir("/proc/self/task");
    while (const dirent* e = dir ? readdir(dir) : nullptr) {
        if (e->d_name[0] == '.') {
            continue;
        }
        std::ifstream status(std::string("/proc/self/task/") + e->d_name + "/status");
        std::string line;
        while (std::getline(status, line)) {
            if (line.rfind("voluntary_ctxt_switches:", 0) == 0) {
                total += std::atoll(line.c_str() + 24);
            }
        }
    }
    if (dir) {
        closedir(dir);
    }
    return total;
}

void Measure(const char* what, int seconds)
{
    const long long switches = VoluntarySwitches();
    const double cpu = CpuSeconds();
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    const long long delta = VoluntarySwitches() - switches;
    const double used = CpuSeconds() - cpu;
    std::printf("%s: %lld voluntary switches in %d s (%.3f per second), CPU %.3f s (%.4f%%)\n", what, delta,
                seconds, static_cast<double>(delta) / seconds, used, 100.0 * used / seconds);
}

} // namespace

int main(int argc, char** argv)
{
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 60;
    const auto folder = std::filesystem::temp_directory_path() / "zym-idle-bench";
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    Log log;
    TaskServices services;
    services.log = &log;
    // The Upload table stays empty, so this factory is never called; it only lets the upload
    // scheduler run as well.
    CTransferEngine engine(services, [](const TransferRow&, TransferContext) { return TransferTaskPtr(); });
    if (!engine.Database().Open((folder / "transdb.db").string(), true)) {
        return 1;
    }
    const char* fill = "with recursive n(i) as (select 1 union all select i+1 from n where i<100000) "
                       "insert into Download(hash,fullpath,host,bucket,object,filesize,status,offset,actlast,"
                       "errornum,errormsg) select '',  '/d/f'||i,'h','b','o'||i,100,3,0,0,0,'' from n;";
    if (!engine.Database().ExecBoth(fill)) {
        return 1;
    }
    engine.Start();
    engine.Conditions().SetMainWindowReady(true);
    engine.Conditions().SetLoggedIn(true);
    engine.Conditions().SetPageLoaded(true);
    std::this_thread::sleep_for(std::chrono::seconds(1)); // the first pass finds nothing waiting
    std::printf("scheduler passes after start: %llu\n",
                static_cast<unsigned long long>(engine.Downloads().Passes() + engine.Uploads().Passes()));
    Measure("engine alone", seconds);
    CInterfaceThread worker(engine);
    worker.Start();
    Measure("engine and worker thread", seconds);
    std::printf("scheduler passes at the end: %llu\n",
                static_cast<unsigned long long>(engine.Downloads().Passes() + engine.Uploads().Passes()));
    worker.Stop();
    engine.Stop();
    std::filesystem::remove_all(folder);
    return 0;
}
