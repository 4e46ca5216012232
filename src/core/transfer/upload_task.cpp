#include "transfer/upload_task.h"

#include "platform/folders.h"
#include "service/reply_models.h"
#include "store/trans_database.h"
#include "transfer/callback_rules.h"
#include "transfer/upload_completion.h"
#include "transfer/upload_part_info.h"
#include "transfer/upload_part_info_saver.h"
#include "transfer/upload_part_queue.h"
#include "transfer/upload_peer.h"
#include "transfer/upload_source.h"
#include "transfer/upload_task_factory.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <thread>
#include <unistd.h>
#include <vector>

namespace zym {

namespace {

size_t KeepHeaders(char* data, size_t size, size_t count, void* target)
{
    auto& text = *static_cast<std::string*>(target);
    if (size * count >= 5 && std::memcmp(data, "HTTP/", 5) == 0) {
        text.clear();
    }
    text.append(data, size * count);
    return size * count;
}

size_t NoBody(char*, size_t, size_t, void*)
{
    return 0;
}

} // namespace

CUploadTask::CUploadTask(TransferRow row, TransferContext context)
    : row_(std::move(row)), ctx_(std::move(context)), uploadId_(row_.uploadid)
{}

std::string CUploadTask::PartInfoFolder(const std::string& dataFolder)
{
    return (dataFolder.empty() ? DataFolder() : dataFolder) + "/transcache";
}

ServiceCall CUploadTask::Call() const
{
    ServiceCall call = ctx_.serviceCall(row_);
    if (ctx_.stop) {
        call.cancel = ctx_.stop->Token();
    }
    return call;
}

bool CUploadTask::Cancelled() const
{
    return ctx_.stop && ctx_.stop->Requested();
}

TransferTaskPtr MakeUploadTask(const TransferRow& row, TransferContext context)
{
    return std::make_unique<CUploadTask>(row, std::move(context));
}

TaskResult CUploadTask::Run()
{
    result_ = TaskResult{};
    ctx_.progress->offset = 0;
    if (row_.filesize == 0) {
        RunEmpty();
    } else {
        RunFile();
    }
    const bool multipart = row_.filesize > kSinglePutLimit;
    if (result_.outcome != TaskOutcome::Finished && multipart && !uploadId_.empty() && ctx_.stop &&
        ctx_.stop->Discard()) {
        CZymRet reply;
        // Not tied to the stop, which has already been requested.
        AbortMultipartUpload(ctx_.serviceCall(row_), row_.bucket, row_.object, uploadId_, reply);
        RemovePartInfo(partInfoPath_);
    }
    return result_;
}

void CUploadTask::RunEmpty()
{
    std::string headers;
    std::string reply;
    const int code = PutObjectStream(Call(), row_.bucket, row_.object, 0, &KeepHeaders, &NoBody, &headers,
                                     reply, ctx_.settings.sendDisposition);
    const int status = StatusFromHeaders(headers);
    if (code == CURLE_OK && status == 200) {
        Finish();
    } else if (Cancelled()) {
        result_.outcome = TaskOutcome::Stopped;
    } else if (status > 0) {
        Fail(status, "http code");
    } else {
        Fail(code, "curl error");
    }
}

void CUploadTask::RunFile()
{
    // The file's identity at the start; every connection and the completion check against it.
    UniqueFd probe(::open(row_.fullpath.c_str(), O_RDONLY | O_CLOEXEC));
    SourceState source;
    if (!probe || !ReadSourceState(probe.get(), source)) {
        Fail(2, std::string(std::strerror(errno)) + ": " + row_.fullpath);
        return;
    }
    probe.reset();
    // A file that changed since it was queued would be sent as a different file than the row
    // says (and, on a resumed upload, mixed with the parts of the old one).
    if (source.size != row_.filesize || (row_.last != 0 && source.mtimeNs / 1000000000 != row_.last)) {
        Fail(2, SourceChangedText(row_.fullpath, row_.filesize, source.size));
        return;
    }

    const bool multipart = row_.filesize > kSinglePutLimit;
    const std::int64_t blockSize =
        ctx_.settings.blockSize > 0 ? ctx_.settings.blockSize : BlockSizeFor(row_.filesize);
    UploadPartQueue queue(row_.filesize, blockSize, multipart);
    if (multipart && !StartMultipart(queue)) {
        return;
    }

    ctx_.progress->startTime = static_cast<std::int64_t>(std::time(nullptr));
    UploadPeerShared shared;
    shared.call = Call();
    shared.bucket = row_.bucket;
    shared.key = row_.object;
    shared.uploadId = multipart ? uploadId_ : std::string();
    shared.path = row_.fullpath;
    shared.source = source;
    shared.sendDisposition = ctx_.settings.sendDisposition;
    shared.queue = &queue;
    shared.progress = ctx_.progress.get();
    shared.cancel = ctx_.stop ? ctx_.stop->Token() : nullptr;
    shared.log = &ctx_.log;
    std::unique_ptr<PartInfoSaver> saver;
    if (multipart) {
        saver = std::make_unique<PartInfoSaver>(partInfoPath_, queue, [this] {
            ctx_.log.WriteLog("[TaskError:" + row_.bucket + "|" + row_.object + "][4," +
                                  (ctx_.promptText ? ctx_.promptText("CreateFileInfoError") : std::string()) +
                                  "]",
                              false);
        });
        saver_ = saver.get();
        shared.onConfirmed = [&saver] {
            saver->Changed();
        };
        shared.onNoSuchUpload = [this] {
            ForgetUploadId();
        };
    }

    const std::size_t left = queue.PartCount() - queue.Confirmed().size();
    const int peers = static_cast<int>(
        std::min<std::size_t>(std::max(ctx_.settings.peerMax, 1), std::max<std::size_t>(left, 1)));
    {
        std::vector<std::jthread> threads;
        threads.reserve(static_cast<std::size_t>(peers));
        for (int i = 0; i < peers; ++i) {
            threads.emplace_back([&shared, &queue] {
                CUploadPeer peer(shared);
                if (!peer.Open()) {
                    queue.Fail(2, std::string(std::strerror(peer.OpenError())) + ": " + shared.path);
                    return;
                }
                peer.Run();
            });
        }
    } // every connection has ended here

    // Written whenever the task stops, fails or goes on to complete.
    if (saver != nullptr) {
        saver->Finish();
        saver_ = nullptr;
        // A stopped or failed upload is listed with the parts it keeps, which the next run skips
        // (none when the service has dropped the upload).
        const std::int64_t kept = uploadGone_ ? 0 : queue.ConfirmedBytes();
        ctx_.progress->offset = kept;
        ctx_.database.SaveUploadOffset(row_.key, kept);
    }
    int code = 0;
    std::string text;
    if (queue.Failed(code, text)) {
        Fail(code, text);
        return;
    }
    if (Cancelled() || queue.Stopped() || !queue.AllConfirmed()) {
        result_.outcome = TaskOutcome::Stopped;
        return;
    }
    if (multipart) {
        Complete(queue, source);
    } else {
        Finish();
    }
}

bool CUploadTask::StartMultipart(UploadPartQueue& queue)
{
    if (uploadId_.empty()) {
        CZymInitiateMultipartUploadRet reply;
        if (!InitiateMultipartUpload(Call(), row_.bucket, row_.object, reply) || reply.UploadId.empty()) {
            if (Cancelled()) {
                result_.outcome = TaskOutcome::Stopped;
            } else {
                Fail(5, reply.Message.empty() ? "curl error " + std::to_string(reply.Result) : reply.Message);
            }
            return false;
        }
        uploadId_ = reply.UploadId;
        ctx_.database.SaveUploadId(row_.key, uploadId_);
    }
    partInfoPath_ = PartInfoFolder(ctx_.dataFolder) + "/" + PartInfoName(uploadId_);
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(partInfoPath_).parent_path(), ec);
    std::vector<PartRecord> records;
    bool cutOff = false;
    if (ec || !ReadPartInfo(partInfoPath_, records, &cutOff)) {
        Fail(4, ctx_.promptText ? ctx_.promptText("CreateFileInfoError") : "CreateFileInfoError");
        return false;
    }
    if (cutOff || queue.Seed(records) != records.size()) {
        // A record that is cut off or does not fit this upload makes the whole list doubtful:
        // every part is sent again, under the same upload id, and the list starts empty.
        queue.Forget();
        ::unlink(partInfoPath_.c_str());
        ctx_.log.WriteLog("[upload][" + row_.bucket + "|" + row_.object + "][part-info file " +
                              partInfoPath_ + " damaged; every part is sent again]",
                          true);
    }
    ctx_.progress->offset = queue.ConfirmedBytes();
    ctx_.database.SaveUploadOffset(row_.key, queue.ConfirmedBytes());
    return true;
}

void CUploadTask::Complete(UploadPartQueue& queue, const SourceState& source)
{
    // Parts read early may predate a change made later in the run.
    const SourceCheck check = CheckSourcePath(row_.fullpath, source);
    if (check == SourceCheck::Vanished) {
        Fail(2, SourceVanishedText(row_.fullpath));
        return;
    }
    if (check == SourceCheck::Changed) {
        std::error_code ec;
        const auto now = std::filesystem::file_size(row_.fullpath, ec);
        Fail(2, SourceChangedText(row_.fullpath, source.size, ec ? -1 : static_cast<std::int64_t>(now)));
        return;
    }
    std::vector<CompletedPart> parts;
    for (const PartRecord& r : queue.Confirmed()) {
        parts.push_back({r.number, r.etag});
    }
    ctx_.progress->bytesDone = 0;
    CZymRet reply;
    if (!CompleteMultipartUpload(Call(), row_.bucket, row_.object, uploadId_, reply, parts)) {
        if (Cancelled()) {
            // Stopped while completing: the next start completes it, or finds it completed.
            result_.outcome = TaskOutcome::Stopped;
            return;
        }
        if (reply.Code == "NoSuchUpload") {
            // A run that ended after the service had put the object together leaves nothing to
            // complete: that object carries exactly these parts.
            if (ObjectHasEtag(Call(), row_.bucket, row_.object, MultipartEtag(queue.Confirmed()))) {
                Finish();
                return;
            }
            ForgetUploadId();
        }
        Fail(5, reply.Message.empty() ? "curl error " + std::to_string(reply.Result) : reply.Message);
        return;
    }
    Finish();
}

void CUploadTask::Finish()
{
    ctx_.database.FinishUpload(row_.key, row_.filesize);
    if (!partInfoPath_.empty()) {
        RemovePartInfo(partInfoPath_);
    }
    ctx_.progress->offset = row_.filesize;
    result_.outcome = TaskOutcome::Finished;
    if (ctx_.callbackRule) {
        if (const auto rule = ctx_.callbackRule(row_.bucket)) {
            if (auto target = MatchCallbackRule(*rule, row_.bucket, row_.object, &ctx_.log)) {
                RunUploadCallback(*target, row_.bucket, row_.object, &ctx_.log,
                                  ctx_.stop ? ctx_.stop->Token() : nullptr);
            }
        }
    }
}

void CUploadTask::Fail(int code, const std::string& text)
{
    // After a stop the row belongs to the stopping operation: a failure seen on the way out (a
    // request ended by the stop) is no failure of the upload.
    if (Cancelled()) {
        result_.outcome = TaskOutcome::Stopped;
        return;
    }
    ctx_.log.WriteLog("[TaskError:" + row_.bucket + "|" + row_.object + "][" + std::to_string(code) + "," +
                          text + "]",
                      true);
    ctx_.database.FailUpload(row_.key, code, text);
    result_ = {TaskOutcome::Failed, code, text};
}

void CUploadTask::ForgetUploadId()
{
    if (uploadGone_.exchange(true)) {
        return;
    }
    // Its parts belong to an upload the service has dropped: the next start begins anew.
    ctx_.database.SaveUploadId(row_.key, "");
    if (saver_ != nullptr) {
        saver_->Forget();
    } else {
        RemovePartInfo(partInfoPath_);
    }
}

} // namespace zym
