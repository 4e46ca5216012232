#pragma once
// The download manager: the Download table's side of scheduling.
#include "transfer/task_manager.h"

#include <string>
#include <unordered_set>
#include <vector>

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
    // Stops the tasks of all these paths together: every one is told first, then all are
    // waited for, so many running transfers stop in about the time of one.
    void CancelByPaths(const std::vector<std::string>& fullpaths, bool discard)
    {
        const std::unordered_set<std::string> paths(fullpaths.begin(), fullpaths.end());
        CancelMatching([&](const TransferRow& row) { return paths.count(row.fullpath) != 0; }, discard);
    }

protected:
    std::optional<TransferRow> NextRow() override;
    void MarkRunning(const TransferRow& row, std::int64_t now) override;
    void RetryFailed() override;
    bool IsIdle() override;
};

} // namespace zym
