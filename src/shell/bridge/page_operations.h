#pragma once
// copyObject, deleteObject and deleteBucket: each opens the modal progress dialog, whose start
// posts the task to the operation pool; the task reports to the dialog and answers the page.
#include "ops/page_reply.h"

#include <functional>
#include <string>

class QWidget;

namespace zym {
class HandlerRegistry;
}

namespace zym::shell {

struct ShellContext;

void RunCopyObject(ShellContext& context, QWidget* owner, std::string argument, ReplyTargetPtr reply);
void RunDeleteObject(ShellContext& context, QWidget* owner, std::string argument, ReplyTargetPtr reply);
// `discardBucket` drops the bucket's queued transfers (the transfer engine's DiscardBucket).
void RunDeleteBucket(ShellContext& context, QWidget* owner, std::string argument, ReplyTargetPtr reply,
                     std::function<void(const std::string&)> discardBucket);

// copyObject, deleteObject and deleteBucket. `discardBucket` is the transfer engine's
// DiscardBucket once the engine is part of the run (empty until then).
void RegisterPageOperationFunctions(HandlerRegistry& registry,
                                    std::function<void(const std::string&)> discardBucket);

} // namespace zym::shell
