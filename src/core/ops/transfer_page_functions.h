#pragma once
// The transfer lists' page functions in one place: getDownload/getUpload (answered at once
// from the queue's mirror), changeDownload/changeUpload (registrations with the two progress
// reporters) and the seven control actions (a CHandlerTask on the operation pool each).
#include "ops/page_reply.h"
#include "ops/transfer_control_task.h"
#include "transfer/progress_reporter.h"

#include <functional>
#include <string>
#include <string_view>

namespace zym {

class CTaskPool;
class CTransferEngine;

class TransferPageFunctions
{
public:
    // statistics: the worker thread's snapshot (CInterfaceThread::Statistics in the program).
    TransferPageFunctions(CTransferEngine& engine, std::function<TransferStatistics()> statistics,
                          CTaskPool& operationPool, ControlServices control,
                          std::chrono::milliseconds reportPeriod = CProgressReporter::kPeriod);
    ~TransferPageFunctions();
    TransferPageFunctions(const TransferPageFunctions&) = delete;
    TransferPageFunctions& operator=(const TransferPageFunctions&) = delete;

    // Start-up: both reporters' timers and one-row reports. Shutdown: returns when both
    // reporters have ended (before the managers stop).
    void Start();
    void Stop();

    std::string GetDownload(std::string_view text);
    std::string GetUpload(std::string_view text);
    void ChangeDownload(ReplyTargetPtr target, std::string_view text);
    void ChangeUpload(ReplyTargetPtr target, std::string_view text);
    // One of the seven actions, run on the operation pool and answered through target; false
    // (nothing runs) for another name or when the pool does not run.
    bool Control(std::string_view action, std::string argument, ReplyTargetPtr target);

private:
    CTransferEngine& engine_;
    std::function<TransferStatistics()> statistics_;
    CTaskPool& operationPool_;
    ControlServices control_;
    CProgressReporter downloads_;
    CProgressReporter uploads_;
};

} // namespace zym
