#pragma once
// addFile and saveFile on the program's transfer engine: its queue, its two managers' adding
// brackets, the stopLoadDownload flags and the launchpad's progress notice.
#include "ops/download_queueing.h"

namespace zym {
class HandlerRegistry;
class ProgramEngine;
} // namespace zym

namespace zym::shell {

class MainDialog;

void RegisterEngineQueueing(HandlerRegistry& registry, ProgramEngine& engine, StopLoadFlags& stopLoad,
                            MainDialog& main);

} // namespace zym::shell
