// One getDownload page of 100 rows and one periodic download report, with 100,000 rows in
// Download and 25 running transfers (fake tasks that hold a live offset and wait to be
// stopped). Prints wall and thread-CPU figures; not a test.
#include "platform/task_pool.h"
#include "store/trans_database.h"
#include "transfer/download_manager.h"
#include "transfer/list_page.h"
#include "transfer/progress_reporter.h"
#include "transfer/transfer_engine.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using namespace zym;

double ThreadCpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

double WallMs(std::chrono::steady_clock::time_point since)
{
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - since).count();
}

class Running : public TransferTask
{
public:
    explicit Running(TransferContext context) : context_(std::move(context)) {}
    TaskResult Run() override
    {
        context_.progress->offset.store(123456789);
        context_.progress->bytesDone.store(50'000'000);
        context_.progress->startTime.store(std::time(nullptr) - 10);
        context_.stop->Token()->WaitFor(std::chrono::hours(1));
        return {};
    }

private:
    TransferContext context_;
};

class Discard : public ReportTarget
{
public:
    void Deliver(const std::string& text) const override { bytes += text.size(); }
    mutable std::size_t bytes = 0;
};

struct Figures
{
    double median = 0, worst = 0;
};

template <class F> Figures Measure(int rounds, F&& job, bool cpu)
{
    std::vector<double> samples;
    for (int i = 0; i < rounds; ++i) {
        const auto wall = std::chrono::steady_clock::now();
        const double before = ThreadCpuMs();
        job();
        samples.push_back(cpu ? ThreadCpuMs() - before : WallMs(wall));
    }
    std::sort(samples.begin(), samples.end());
    return {samples[samples.size() / 2], samples.back()};
}

} // namespace

int main(int argc, char** argv)
{
    const int rows = argc > 1 ? std::atoi(argv[1]) : 100000;
    const int running = 25;
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("zym-progress-bench-" + std::to_string(::getpid()));
    std::filesystem::remove_all(folder);

    CTransDatabase database;
    if (!database.Open((folder / "transdb.db").string(), false)) {
        std::fprintf(stderr, "cannot open the queue\n");
        return 1;
    }
    database.BeginTransaction();
    for (int i = 0; i < rows; ++i) {
        TransferRow row;
        row.key = "etag" + std::to_string(i);
        row.host = "l1.zym.localhost";
        row.bucket = "bucket";
        row.object = "folder/with \"quotes\"/file-" + std::to_string(i) + ".bin";
        row.fullpath = "/home/user/Downloads/folder/file-" + std::to_string(i) + ".bin";
        row.filesize = 1'000'000'000;
        row.status = i < running ? kStatusWaiting : kStatusStopped;
        database.AddDownload(row);
    }
    database.CommitTransaction();

    StartConditions conditions;
    CTaskPool pool;
    pool.Start(100);
    CDTaskManager manager(
        database, conditions, pool,
        [](const TransferRow&, TransferContext context) -> TransferTaskPtr {
            return std::make_unique<Running>(std::move(context));
        },
        TaskServices{});
    manager.SetTaskMax(running);
    manager.Start();
    conditions.SetMainWindowReady(true);
    conditions.SetLoggedIn(true);
    conditions.SetPageLoaded(true);
    while (manager.ActiveCount() < running) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10)); // set-up only
    }
    manager.TotalSpeed();

    TransferStatistics stats{manager.TotalSpeed(), 0, rows, 0, 0, 0};
    std::size_t pageBytes = 0;
    const Figures first = Measure(
        200, [&] { pageBytes = ListPage(TransferKind::Download, "{}", database, manager, stats).size(); },
        false);
    const Figures firstCpu = Measure(
        200, [&] { ListPage(TransferKind::Download, "{}", database, manager, stats); }, true);
    const Figures deep = Measure(
        200,
        [&] {
            ListPage(TransferKind::Download, "{\"start\":99900,\"count\":100}", database, manager, stats);
        },
        false);

    CProgressReporter reporter(TransferKind::Download, manager, [&] { return stats; });
    auto target = std::make_shared<Discard>();
    reporter.RegisterCallback(target, "{\"start\":1}");
    const Figures report = Measure(
        1000, [&] { reporter.ReportAll(); }, true);

    std::printf("rows %d, running %d\n", rows, running);
    std::printf("getDownload {} (rows 1-100, 25 running): median %.3f ms, worst %.3f ms wall, %zu bytes\n",
                first.median, first.worst, pageBytes);
    std::printf("getDownload {}: median %.3f ms, worst %.3f ms thread CPU\n", firstCpu.median,
                firstCpu.worst);
    std::printf("getDownload {\"start\":99900,\"count\":100}: median %.3f ms, worst %.3f ms wall\n",
                deep.median, deep.worst);
    std::printf(
        "periodic report (25 items): median %.4f ms, worst %.4f ms thread CPU, %zu bytes sent in all\n",
        report.median, report.worst, target->bytes);

    manager.StopManager();
    pool.Stop();
    std::filesystem::remove_all(folder);
    return 0;
}
