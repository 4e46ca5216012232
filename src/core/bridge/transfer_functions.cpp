#include "bridge/transfer_functions.h"

#include "ops/transfer_page_functions.h"

#include <array>
#include <string_view>

namespace zym {

void RegisterTransferFunctions(HandlerRegistry& registry, TransferPageFunctions& functions)
{
    registry.AddDirect("getDownload",
                       [&functions](const ReadArguments& args) { return functions.GetDownload(args.text); });
    registry.AddDirect("getUpload",
                       [&functions](const ReadArguments& args) { return functions.GetUpload(args.text); });
    registry.AddAsync("changeDownload",
                      [&functions](PageCall& call) { functions.ChangeDownload(call.reply, call.args.text); });
    registry.AddAsync("changeUpload",
                      [&functions](PageCall& call) { functions.ChangeUpload(call.reply, call.args.text); });
    static constexpr std::array<std::string_view, 7> kActions = {
        "startUpload",  "startDownload",  "stopUpload",   "stopDownload",
        "deleteUpload", "deleteDownload", "setMetaObject"};
    for (std::string_view action : kActions) {
        registry.AddAsync(action, [&functions, action](PageCall& call) {
            functions.Control(action, call.args.text, call.reply);
        });
    }
}

} // namespace zym
