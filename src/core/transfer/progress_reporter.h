#pragma once
// The progress reporter of one direction (downloads or uploads). The page registers one
// callback per direction; from then on it receives, every second while it has switched the
// periodic report on, the list of the direction's active transfers with their live offsets and
// speeds, and, whether or not that report is on, a one-row report the moment a transfer
// finishes or fails. The latest registration replaces the earlier one.
#include "transfer/periodic_thread.h"
#include "transfer/progress_texts.h"

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

namespace zym {

class CTaskManagerBase;

// Where a direction's reports go: the page's registered callback. Deliver is called from the
// reporter's timer thread and from transfer pool threads.
class ReportTarget
{
public:
    virtual ~ReportTarget() = default;
    virtual void Deliver(const std::string& text) const = 0;
};
// Empty when the registration carried no callback: nothing is sent.
using ReportTargetPtr = std::shared_ptr<const ReportTarget>;

class CProgressReporter
{
public:
    static constexpr auto kPeriod = std::chrono::milliseconds(1000);

    CProgressReporter(TransferKind kind, CTaskManagerBase& manager,
                      std::function<TransferStatistics()> statistics,
                      std::chrono::milliseconds period = kPeriod);
    ~CProgressReporter();
    CProgressReporter(const CProgressReporter&) = delete;
    CProgressReporter& operator=(const CProgressReporter&) = delete;

    // Starts the timer and the one-row reports of ending tasks.
    void Start();
    // Ends both; returns when a report in progress has been handed over.
    void Stop();

    // changeDownload/changeUpload: the target replaces the earlier one (an empty target means
    // the call carried no callback); "start" in the text switches the periodic report.
    void RegisterCallback(ReportTargetPtr target, std::string_view text);
    // The one-row report of a task that has just finished or failed.
    void ReportOne(const TransferRow& row);
    // The periodic report, as the timer sends it while the report is on.
    void ReportAll();
    std::string PeriodicText();

private:
    // What a registration leaves; shared with the task-end hook, which a pool thread may still
    // be running when the reporter stops.
    struct Registration
    {
        std::mutex lock; // target, reportEnabled
        ReportTargetPtr target;
        bool reportEnabled = false;
    };
    static void Send(Registration& registration, const std::string& text);
    static void SendOne(Registration& registration, TransferKind kind,
                        const std::function<TransferStatistics()>& statistics, const TransferRow& row);

    const TransferKind kind_;
    CTaskManagerBase& manager_;
    std::function<TransferStatistics()> statistics_;
    const std::chrono::milliseconds period_;

    const std::shared_ptr<Registration> registration_ = std::make_shared<Registration>();
    std::atomic<bool> exitFlag_{true};
    PeriodicThread timer_;
};

} // namespace zym
