#pragma once
// The progress dialog of a copy or delete as its task sees it. The shell implements it with its
// native dialog (each call reaches the dialog only while it exists and is visible); core tests
// with a fake. Closing the dialog cancels the token: the task stops at its next item boundary.
#include "ops/clash_question.h"
#include "platform/cancel_token.h"

#include <cstdint>

namespace zym {

class OperationProgress : public ClashQuestion
{
public:
    // "ReadyCopy" / "ReadyDelete".
    virtual void Ready() = 0;
    // The work list is complete.
    virtual void Counted(std::int64_t total) = 0;
    virtual void Progress(std::int64_t done, std::int64_t total) = 0;
    // Success: the dialog shows the end and closes itself a second later.
    virtual void Finished(std::int64_t total) = 0;
    // After a failure: the dialog closes at once.
    virtual void Close() = 0;
    // A clash question can only be asked while the dialog is shown.
    virtual bool Visible() const = 0;
    // Cancelled when the user closes the dialog.
    virtual CancelTokenPtr ClosedToken() const = 0;

    bool ClosedByUser() const { return ClosedToken()->IsCancelled(); }
};

} // namespace zym
