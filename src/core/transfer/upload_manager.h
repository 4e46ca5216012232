#pragma once
// The upload manager: the Upload table's side of scheduling. Its tasks come from the factory
// the engine is given (MakeUploadTask in the program, a fake in tests).
#include "transfer/task_manager.h"

#include <set>
#include <string>
#include <utility>
#include <vector>

namespace zym {

class CUTaskManager : public CTaskManagerBase
{
public:
    using CTaskManagerBase::CTaskManagerBase;
    ~CUTaskManager() override { StopManager(); }

    // Stops the tasks whose row has exactly this bucket and object.
    void CancelByObject(const std::string& bucket, const std::string& object, bool discard)
    {
        CancelMatching([&](const TransferRow& row) { return row.bucket == bucket && row.object == object; },
                       discard);
    }
    // Stops the tasks of all these objects together (told first, then waited for together).
    void CancelByObjects(const std::vector<std::pair<std::string, std::string>>& objects, bool discard)
    {
        const std::set<std::pair<std::string, std::string>> keys(objects.begin(), objects.end());
        CancelMatching(
            [&](const TransferRow& row) {
                return keys.count({row.bucket, row.object}) != 0;
            },
            discard);
    }

protected:
    std::optional<TransferRow> NextRow() override;
    void MarkRunning(const TransferRow& row, std::int64_t now) override;
    void RetryFailed() override;
    bool IsIdle() override;
};

} // namespace zym
