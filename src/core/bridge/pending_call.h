#pragma once
// The record of one asynchronous page call between the moment the page makes it and the
// moment a window-message handler claims it.
#include "ops/page_reply.h"

#include <cstdint>
#include <list>
#include <mutex>
#include <optional>
#include <string>

namespace zym {

struct PendingCall
{
    std::string argument; // the call's first string argument, "" when absent
    ReplyTargetPtr reply; // empty when the page passed no callback
    std::string function; // the catalogue name whose handler claims the call
};

// Live records in order of creation. The page side appends, the handlers claim; one lock
// covers both so they never touch the list at the same moment.
class PendingCallList
{
public:
    // Stores the record and returns its handle: never 0, unique among live records.
    std::uint32_t Add(PendingCall call);
    // Takes the record out (the others keep their order); nullopt when the handle names no
    // live record (already claimed, or never made).
    std::optional<PendingCall> Claim(std::uint32_t handle);
    std::size_t Size() const;

private:
    struct Entry
    {
        std::uint32_t handle;
        PendingCall call;
    };
    bool InUseLocked(std::uint32_t handle) const;

    mutable std::mutex lock_;
    std::list<Entry> entries_;
    std::uint32_t next_ = 1;
};

} // namespace zym
