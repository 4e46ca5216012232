#pragma once
// Registers the transfer lists' functions that answer at once: getDownload and getUpload.
#include "bridge/direct_functions.h"

namespace zym {

class TransferPageFunctions;

void AddTransferFunctions(DirectFunctionTable& table, TransferPageFunctions& functions);

} // namespace zym
