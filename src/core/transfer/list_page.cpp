#include "transfer/list_page.h"

#include "store/trans_database.h"
#include "transfer/task_manager.h"
#include "transfer/transfer_engine.h"

namespace zym {

std::string ListPage(TransferKind kind, std::string_view text, CTransDatabase& database,
                     CTaskManagerBase& manager, const TransferStatistics& stats)
{
    const PageRange range = ParsePageRange(text);
    std::vector<TransferRow> rows;
    const bool listed = kind == TransferKind::Download
                            ? database.ListDownloads(range.count, range.start, rows)
                            : database.ListUploads(range.count, range.start, rows);
    if (!listed) {
        rows.clear();
    }
    for (TransferRow& row : rows) {
        row.speed = 0;
        if (row.status == kStatusRunning) {
            if (const std::int64_t live = manager.LiveOffset(row.bucket, row.object); live != 0) {
                row.offset = live;
            }
            row.speed = manager.LiveSpeed(row.bucket, row.object);
        }
    }
    return ProgressList(kind, stats, rows);
}

} // namespace zym
