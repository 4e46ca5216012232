#pragma once
// addFile and saveFile: the handlers work out keys (uploads) or local paths and clashes
// (downloads, asking with the clash question on the main thread) and post the queueing task.
// They need the transfer engine's queue and its two managers' adding brackets, so they are
// registered once the engine is part of the run.
#include "ops/download_queueing.h"

#include <functional>
#include <memory>
#include <string>

namespace zym {
class AddingBracket;
class CTransDatabase;
class HandlerRegistry;
} // namespace zym

namespace zym::shell {

struct QueueingParts
{
    CTransDatabase& queue; // the logged-in account's transfer queue
    // False until a login has opened the queue: the calls then answer the QueueClosed text.
    std::function<bool()> queueOpen;
    AddingBracket& uploads;   // the upload manager's BeginAdding/EndAdding
    AddingBracket& downloads; // the download manager's BeginAdding/EndAdding
    StopLoadFlags& stopLoad;  // set by stopLoadDownload
    // Runs a script in the launchpad's main frame when the launchpad exists (any thread).
    std::function<void(const std::string& script)> runInLaunchpad;
};

void RegisterQueueingOperations(HandlerRegistry& registry, std::shared_ptr<QueueingParts> parts);

} // namespace zym::shell
