#include "bridge/queueing_functions.h"

#include "bridge/handler_registry.h"
#include "platform/json_text.h"

namespace zym {

void RequestStopLoad(StopLoadFlags& flags, const std::string& argument)
{
    const std::optional<JsonArgs> args = JsonArgs::Parse(argument);
    if (args && args->Int("all").value_or(0) != 0) {
        flags.all = true; // set before the request, so the task never sees a stop without it
    }
    flags.requested = true;
}

void RegisterQueueingFunctions(HandlerRegistry& registry, StopLoadFlags& flags)
{
    registry.AddDirect("stopLoadDownload", [&flags](const ReadArguments& args) {
        RequestStopLoad(flags, args.text);
        return std::string();
    });
}

} // namespace zym
