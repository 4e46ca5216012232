#pragma once
// The base of every background task. A task is owned by whoever holds its unique_ptr: the
// pool's worker runs it once and then destroys it, which releases whatever it holds.
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
};

using TaskPtr = std::unique_ptr<CBaseTask>;

} // namespace zym
