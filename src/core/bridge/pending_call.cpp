#include "bridge/pending_call.h"

#include <algorithm>

namespace zym {

bool PendingCallList::InUseLocked(std::uint32_t handle) const
{
    return std::any_of(entries_.begin(), entries_.end(),
                       [handle](const Entry& e) { return e.handle == handle; });
}

std::uint32_t PendingCallList::Add(PendingCall call)
{
    std::lock_guard guard(lock_);
    // Handles count up and skip 0 and any value still held by a live record, so a handle
    // names one record even after the counter wraps.
    std::uint32_t handle = next_;
    while (handle == 0 || InUseLocked(handle))
        ++handle;
    next_ = handle + 1;
    entries_.push_back(Entry{handle, std::move(call)});
    return handle;
}

std::optional<PendingCall> PendingCallList::Claim(std::uint32_t handle)
{
    std::lock_guard guard(lock_);
    auto it = std::find_if(entries_.begin(), entries_.end(),
                           [handle](const Entry& e) { return e.handle == handle; });
    if (it == entries_.end())
        return std::nullopt;
    PendingCall call = std::move(it->call);
    entries_.erase(it);
    return call;
}

std::size_t PendingCallList::Size() const
{
    std::lock_guard guard(lock_);
    return entries_.size();
}

} // namespace zym
