#include "store/trans_database.h"
#include "transfer/download_manager.h"
#include "transfer/upload_manager.h"

namespace zym {

std::optional<TransferRow> CDTaskManager::NextRow()
{
    return database_.NextDownload();
}
void CDTaskManager::MarkRunning(const TransferRow& row, std::int64_t now)
{
    database_.MarkDownloadRunning(row.fullpath, now);
}
void CDTaskManager::RetryFailed()
{
    database_.RetryFailedDownloads();
}
bool CDTaskManager::IsIdle()
{
    return database_.IsDownloadIdle();
}

std::optional<TransferRow> CUTaskManager::NextRow()
{
    return database_.NextUpload();
}
void CUTaskManager::MarkRunning(const TransferRow& row, std::int64_t now)
{
    database_.MarkUploadRunning(row.key, now);
}
void CUTaskManager::RetryFailed()
{
    database_.RetryFailedUploads();
}
bool CUTaskManager::IsIdle()
{
    return database_.IsUploadIdle();
}

} // namespace zym
