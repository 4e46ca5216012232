#pragma once
// The transfer lists' page functions: getDownload and getUpload (answered at once),
// changeDownload and changeUpload (registrations with the progress reporters), and the
// seven control actions (startUpload ... setMetaObject, tasks on the operation pool).
#include "bridge/handler_registry.h"

namespace zym {

class TransferPageFunctions;

void RegisterTransferFunctions(HandlerRegistry& registry, TransferPageFunctions& functions);

} // namespace zym
