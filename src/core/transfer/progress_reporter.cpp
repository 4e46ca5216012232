#include "transfer/progress_reporter.h"

#include "transfer/task_manager.h"
#include "transfer/transfer_engine.h"

namespace zym {

CProgressReporter::CProgressReporter(TransferKind kind, CTaskManagerBase& manager,
                                     std::function<TransferStatistics()> statistics,
                                     std::chrono::milliseconds period)
    : kind_(kind), manager_(manager), statistics_(std::move(statistics)), period_(period)
{}

CProgressReporter::~CProgressReporter()
{
    Stop();
}

void CProgressReporter::Start()
{
    manager_.OnTaskEnded([registration = registration_, kind = kind_,
                          statistics = statistics_](const CTaskManagerBase::TaskEnd& end) {
        if (end.result.outcome != TaskOutcome::Stopped) {
            SendOne(*registration, kind, statistics, end.row);
        }
    });
    exitFlag_.store(false);
    timer_.Start(period_, [this] {
        bool enabled = false;
        {
            std::lock_guard g(registration_->lock);
            enabled = registration_->reportEnabled;
        }
        if (enabled && !exitFlag_.load()) {
            ReportAll();
        }
    });
}

void CProgressReporter::Stop()
{
    exitFlag_.store(true);
    manager_.OnTaskEnded(nullptr);
    timer_.Stop();
}

void CProgressReporter::RegisterCallback(ReportTargetPtr target, std::string_view text)
{
    const std::optional<bool> enabled = ParseReportSwitch(text);
    std::lock_guard g(registration_->lock);
    registration_->target = std::move(target);
    if (enabled) {
        registration_->reportEnabled = *enabled;
    }
}

void CProgressReporter::ReportOne(const TransferRow& row)
{
    SendOne(*registration_, kind_, statistics_, row);
}

void CProgressReporter::SendOne(Registration& registration, TransferKind kind,
                                const std::function<TransferStatistics()>& statistics, const TransferRow& row)
{
    TransferRow reported = row;
    reported.speed = 0; // a task's own row carries no speed
    Send(registration, ProgressList(kind, statistics ? statistics() : TransferStatistics{}, {reported}));
}

std::string CProgressReporter::PeriodicText()
{
    const std::vector<TransferRow> rows = manager_.SnapshotTasks();
    return ProgressList(kind_, statistics_ ? statistics_() : TransferStatistics{}, rows);
}

void CProgressReporter::ReportAll()
{
    {
        std::lock_guard g(registration_->lock);
        if (!registration_->target) {
            return;
        }
    }
    Send(*registration_, PeriodicText());
}

void CProgressReporter::Send(Registration& registration, const std::string& text)
{
    ReportTargetPtr target;
    {
        std::lock_guard g(registration.lock);
        target = registration.target;
    }
    if (target) {
        target->Deliver(text);
    }
}

} // namespace zym
