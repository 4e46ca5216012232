#pragma once
// How an answer travels back to the page that made an asynchronous call. Core defines the
// target; the shell implements it (it runs the page's callback in the calling document, and
// drops the answer when that document has gone). Core tests use plain fakes.
#include "platform/base_task.h"

#include <memory>
#include <string>

namespace zym {

class ReplyTarget
{
public:
    virtual ~ReplyTarget() = default;
    // Safe to call from any thread. The page side calls the callback only when it is a
    // function and only in the document that made the call.
    virtual void Deliver(const std::string& text) const = 0;
};

// Empty when the call carried no callback argument: its result is dropped.
using ReplyTargetPtr = std::shared_ptr<const ReplyTarget>;

// The one delivery rule of page operations: an empty reply text, or a call without a
// callback, reaches nothing. Returns true when the answer was handed to the target.
bool DeliverReply(const ReplyTargetPtr& target, const std::string& text);

// Base of every task a page starts: it keeps the call's argument text and reply target.
class CPageTask : public CBaseTask
{
public:
    CPageTask(std::string argument, ReplyTargetPtr target)
        : argument_(std::move(argument)), target_(std::move(target))
    {}

protected:
    const std::string& Argument() const { return argument_; }
    bool Reply(const std::string& text) const { return DeliverReply(target_, text); }

private:
    std::string argument_;
    ReplyTargetPtr target_;
};

} // namespace zym
