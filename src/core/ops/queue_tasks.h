#pragma once
// The two queueing tasks the addFile and saveFile handlers post to the operation pool, and the
// addFile handler's reading of its argument. The handlers (main thread) settle everything that
// needs the user (download clashes); the tasks only write rows.
#include "ops/download_queueing.h"
#include "ops/page_reply.h"
#include "transfer/upload_queueing.h"

#include <functional>
#include <memory>

namespace zym {

struct AddFileRequest
{
    std::string host;
    std::string bucket;
    std::vector<UploadItem> items; // keys worked out from the prefix and what is on disk
};

// An argument that does not parse gives an empty request (nothing is queued; the reply is still
// success). Elements without a non-empty "path" are skipped.
AddFileRequest ParseAddFile(const std::string& argument,
                            const std::function<std::string(const std::string&)>& hostOf);

// The script the launchpad runs for the saveFile progress notice.
std::string LoadingCountScript(std::int64_t count, std::int64_t downloadCount);

class CAddObjectTask : public CPageTask
{
public:
    CAddObjectTask(CTransDatabase& db, AddingBracket& bracket, AddFileRequest request,
                   UploadQueueLimits limits, ReplyTargetPtr target)
        : CPageTask("", std::move(target)), db_(db), bracket_(bracket), request_(std::move(request)),
          limits_(std::move(limits))
    {}
    void Run() override
    {
        Reply(AddUploads(db_, bracket_, request_.host, request_.bucket, request_.items, limits_));
    }

private:
    CTransDatabase& db_;
    AddingBracket& bracket_;
    AddFileRequest request_;
    UploadQueueLimits limits_;
};

class CSaveFileTask : public CPageTask
{
public:
    CSaveFileTask(std::shared_ptr<DownloadQueueing> queue, std::vector<DownloadItem> items,
                  ReplyTargetPtr target)
        : CPageTask("", std::move(target)), queue_(std::move(queue)), items_(std::move(items))
    {}
    void Run() override { Reply(QueueDownloads(*queue_, items_)); }

private:
    std::shared_ptr<DownloadQueueing> queue_;
    std::vector<DownloadItem> items_;
};

} // namespace zym
