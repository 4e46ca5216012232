#pragma once
// The one place the upload manager gets its tasks from. The upload task (upload_*.cpp in this
// folder) defines it; the program passes it to the transfer engine, tests pass their own.
#include "transfer/transfer_task.h"

namespace zym {

TransferTaskPtr MakeUploadTask(const TransferRow& row, TransferContext context);

} // namespace zym
