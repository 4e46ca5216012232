#pragma once
// The download manager: the Download table's side of scheduling.
#include "transfer/task_manager.h"

namespace zym {

class CDTaskManager : public CTaskManagerBase
{
public:
    using CTaskManagerBase::CTaskManagerBase;
    ~CDTaskManager() override { StopManager(); }

    // Stops the tasks whose row has exactly this local path.
    void CancelByPath(const std::string& fullpath, bool discard)
    {
        CancelMatching([&](const TransferRow& row) { return row.fullpath == fullpath; }, discard);
    }

protected:
    std::optional<TransferRow> NextRow() override;
    void MarkRunning(const TransferRow& row, std::int64_t now) override;
    void RetryFailed() override;
    bool IsIdle() override;
};

} // namespace zym
