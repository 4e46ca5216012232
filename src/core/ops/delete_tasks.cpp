#include "ops/delete_tasks.h"

#include "ops/page_arguments.h"
#include "platform/json_text.h"
#include "service/error_text.h"

#include <algorithm>

namespace zym {
namespace {

constexpr const char* kEmptyReply = "{}";
constexpr std::size_t kBatch = 1000;

} // namespace

std::string CDeleteTaskBase::ListKeys(const ServiceCall& call, const std::string& bucket,
                                      const std::string& prefix, std::vector<std::string>& keys)
{
    ServiceCall listing = call;
    listing.cancel = progress_->ClosedToken(); // a listing has no lasting effect: end it at once
    std::string marker;
    for (;;) {
        CZymListObjectRet list;
        if (!ListObjects(listing, bucket, list, prefix, marker, "", "1000")) {
            if (progress_->ClosedByUser()) {
                return kEmptyReply;
            }
            progress_->Close();
            return services_.Failure(list, "DownloadDir", bucket + "," + prefix + "," + marker);
        }
        for (const ObjectEntry& entry : list.Entries) {
            keys.push_back(entry.Key.empty() ? entry.Prefix : entry.Key);
        }
        if (list.NextMarker.empty()) {
            return "";
        }
        marker = list.NextMarker;
        if (progress_->ClosedByUser()) {
            return kEmptyReply;
        }
    }
}

std::string CDeleteTaskBase::DeleteKeys(const ServiceCall& call, const std::string& bucket,
                                        const std::vector<std::string>& keys)
{
    // Deletions are never cut off half-way: the request in flight finishes, the stop comes after.
    const auto total = static_cast<std::int64_t>(keys.size());
    if (keys.size() == 1) {
        CZymRet reply;
        if (!DeleteObject(call, bucket, keys.front(), reply)) {
            progress_->Close();
            return services_.Failure(reply, "DeleteFileError", "");
        }
        progress_->Progress(1, 1);
        return "";
    }
    for (std::size_t start = 0; start < keys.size(); start += kBatch) {
        const std::size_t end = std::min(start + kBatch, keys.size());
        const std::vector<std::string> batch(keys.begin() + static_cast<std::ptrdiff_t>(start),
                                             keys.begin() + static_cast<std::ptrdiff_t>(end));
        CZymRet reply;
        if (!DeleteObjects(call, bucket, batch, true, reply)) {
            progress_->Close();
            return services_.Failure(reply, "DeleteFileError", "");
        }
        progress_->Progress(static_cast<std::int64_t>(end), total);
        if (progress_->ClosedByUser()) {
            return kEmptyReply;
        }
    }
    return "";
}

std::string CDeleteObjectTask::Execute()
{
    const std::optional<ItemArguments> args = ParseItemArguments(Argument());
    if (!args) {
        progress_->Close();
        return ReplyText(kErrorJson, AppErrorText(services_.language, kErrorJson));
    }
    const std::string bucket = args->Text("bucket");
    const ServiceCall call = services_.callFor(args->Text("location"));
    progress_->Ready();
    std::vector<std::string> keys;
    for (const ObjectItem& item : args->items) {
        keys.push_back(item.object);
        if (item.object.back() == '/') {
            if (std::string reply = ListKeys(call, bucket, item.object, keys); !reply.empty()) {
                return reply;
            }
        }
        if (progress_->ClosedByUser()) {
            return kEmptyReply;
        }
    }
    progress_->Counted(static_cast<std::int64_t>(keys.size()));
    if (std::string reply = DeleteKeys(call, bucket, keys); !reply.empty()) {
        return reply;
    }
    progress_->Finished(static_cast<std::int64_t>(keys.size()));
    return std::string(kSuccessReply);
}

BucketDeletion CheckBucketDeletion(const std::string& argument, const AccessKeys& signedIn,
                                   const LanguageDocument& language)
{
    BucketDeletion result;
    const std::optional<JsonArgs> args = JsonArgs::Parse(argument);
    if (!args) {
        result.reply = ReplyText(kErrorJson, AppErrorText(language, kErrorJson));
        return result;
    }
    if (args->Text("keyid").value_or("") != signedIn.id ||
        args->Text("keysecret").value_or("") != signedIn.secret) {
        result.reply = ReplyText(kErrorAccessKey, AppErrorText(language, kErrorAccessKey));
        return result;
    }
    result.bucket = args->Text("bucket").value_or("");
    result.location = args->Text("location").value_or("");
    return result;
}

std::string CDeleteBucketTask::Execute()
{
    if (discardBucket_) {
        discardBucket_(bucket_);
    }
    const ServiceCall call = services_.callFor(location_);
    progress_->Ready();
    std::vector<std::string> keys;
    if (std::string reply = ListKeys(call, bucket_, "", keys); !reply.empty()) {
        progress_->Close();
        return reply;
    }
    progress_->Counted(static_cast<std::int64_t>(keys.size()));
    if (std::string reply = DeleteKeys(call, bucket_, keys); !reply.empty()) {
        return reply;
    }
    if (std::string reply = AbortUploads(call); !reply.empty()) {
        return reply;
    }
    if (progress_->ClosedByUser()) {
        return kEmptyReply;
    }
    CZymRet reply;
    if (!DeleteBucket(call, bucket_, reply)) {
        progress_->Close();
        return services_.Failure(reply, "DeleteBucketError", "");
    }
    progress_->Finished(static_cast<std::int64_t>(keys.size()));
    return std::string(kSuccessReply);
}

std::string CDeleteBucketTask::AbortUploads(const ServiceCall& call)
{
    // Every page of unfinished uploads: a bucket that still holds one cannot be deleted.
    std::string keyMarker, idMarker;
    for (;;) {
        CZymListMultipartUploadRet list;
        if (!ListMultipartUploads(call, bucket_, list, keyMarker, idMarker)) {
            progress_->Close();
            return services_.Failure(list, "FileInfoError", "");
        }
        for (const UploadEntry& upload : list.Uploads) {
            CZymRet reply;
            if (!AbortMultipartUpload(call, bucket_, upload.Key, upload.UploadId, reply)) {
                progress_->Close();
                return services_.Failure(reply, "DeleteFileInfoError", "");
            }
            if (progress_->ClosedByUser()) {
                return kEmptyReply;
            }
        }
        const bool more = list.IsTruncated == "true" || list.IsTruncated == "True";
        if (!more || (list.NextKeyMarker == keyMarker && list.NextUploadIdMarker == idMarker) ||
            (list.NextKeyMarker.empty() && list.NextUploadIdMarker.empty())) {
            return "";
        }
        keyMarker = list.NextKeyMarker;
        idMarker = list.NextUploadIdMarker;
    }
}

} // namespace zym
