#include "bridge/transfer_functions.h"

#include "ops/transfer_page_functions.h"

namespace zym {

void AddTransferFunctions(DirectFunctionTable& table, TransferPageFunctions& functions)
{
    table.Add("getDownload",
              [&functions](const ReadArguments& args) { return functions.GetDownload(args.text); });
    table.Add("getUpload",
              [&functions](const ReadArguments& args) { return functions.GetUpload(args.text); });
}

} // namespace zym
