#pragma once
// getDownload/getUpload: one page of the Download or Upload table, read from the queue's
// in-memory mirror, with the live offset and speed of the rows whose transfer runs.
#include "transfer/progress_texts.h"

#include <string>
#include <string_view>

namespace zym {

class CTransDatabase;
class CTaskManagerBase;

std::string ListPage(TransferKind kind, std::string_view text, CTransDatabase& database,
                     CTaskManagerBase& manager, const TransferStatistics& stats);

} // namespace zym
