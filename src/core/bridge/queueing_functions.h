#pragma once
// stopLoadDownload: asks a running saveFile queueing to stop, and with a non-zero "all" to
// remove what it queued.
#include "ops/download_queueing.h"

#include <string>

namespace zym {

class HandlerRegistry;

// Reads {"all": N}; an argument that does not parse still asks to stop (without "all").
void RequestStopLoad(StopLoadFlags& flags, const std::string& argument);

void RegisterQueueingFunctions(HandlerRegistry& registry, StopLoadFlags& flags);

} // namespace zym
