#pragma once
// The base of every background task. A task is owned by whoever holds its unique_ptr: the
// pool's worker runs it once and then destroys it, which releases whatever it holds.
#include "platform/cancel_token.h"

#include <memory>

namespace zym {

class CBaseTask
{
public:
    CBaseTask() = default;
    CBaseTask(const CBaseTask&) = delete;
    CBaseTask& operator=(const CBaseTask&) = delete;
    virtual ~CBaseTask() = default;

    // Called once, on a worker thread of the pool the task was posted to.
    virtual void Run() = 0;

    // Cancelled when the pool stops: requests the task makes carry it, so a stop does not wait
    // for their time limits. The pool sets it when the task is posted; never null after that.
    const CancelTokenPtr& StopToken() const { return stopToken_; }
    void SetStopToken(CancelTokenPtr token) { stopToken_ = std::move(token); }

private:
    CancelTokenPtr stopToken_ = std::make_shared<CancelToken>();
};

using TaskPtr = std::unique_ptr<CBaseTask>;

} // namespace zym
