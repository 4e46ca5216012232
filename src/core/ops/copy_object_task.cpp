#include "ops/copy_object_task.h"

#include "ops/page_arguments.h"
#include "service/error_text.h"

namespace zym {
namespace {

constexpr const char* kEmptyReply = "{}";

std::string WithoutTrailingSlash(std::string key)
{
    if (!key.empty() && key.back() == '/') {
        key.pop_back();
    }
    return key;
}

} // namespace

std::string CCopyObjectTask::Execute()
{
    const std::optional<ItemArguments> args = ParseItemArguments(Argument());
    if (!args) {
        progress_->Close();
        return ReplyText(kErrorJson, AppErrorText(services_.language, kErrorJson));
    }
    Hosts hosts{services_.callFor(args->Text("location")), services_.callFor(args->Text("dstlocation")),
                args->Text("bucket"), args->Text("dstbucket")};
    // Listings and part copies end at once when the dialog closes; they leave nothing behind
    // that is not cleaned up (an unfinished multipart copy is aborted).
    hosts.source.cancel = progress_->ClosedToken();

    progress_->Ready();
    std::vector<CopyWorkItem> work;
    if (std::string reply = Collect(hosts, args->Text("dstobject"), args->items, work); !reply.empty()) {
        return reply;
    }

    const auto total = static_cast<std::int64_t>(work.size());
    progress_->Counted(total);
    for (std::int64_t i = 0; i < total; ++i) {
        const CopyWorkItem& item = work[static_cast<std::size_t>(i)];
        std::string reply =
            item.size >= services_.partCopySize ? CopyInParts(hosts, item) : CopyOne(hosts, item);
        if (!reply.empty()) {
            return reply;
        }
        progress_->Progress(i + 1, total);
        if (progress_->ClosedByUser()) {
            return kEmptyReply;
        }
    }
    progress_->Finished(total);
    return kEmptyReply;
}

std::string CCopyObjectTask::Collect(const Hosts& hosts, const std::string& targetFolder,
                                     const std::vector<ObjectItem>& items, std::vector<CopyWorkItem>& work)
{
    ClashMemory clashes(*progress_, items.size() >= 2);
    for (const ObjectItem& item : items) {
        const bool folder = item.object.back() == '/';
        const std::string stripped = WithoutTrailingSlash(item.object);
        const auto slash = stripped.rfind('/');
        const std::string name = slash == std::string::npos ? stripped : stripped.substr(slash + 1);
        const std::string sourceFolder = slash == std::string::npos ? "" : stripped.substr(0, slash + 1);
        std::string target = targetFolder + item.object.substr(sourceFolder.size());

        if (GetObject(hosts.target, hosts.targetBucket, target)) {
            if (clashes.WillAsk() && !progress_->Visible()) {
                return kEmptyReply;
            }
            const ClashAnswer answer = clashes.Settle(name, folder);
            if (answer.button == ClashButton::Close) {
                progress_->Close();
                return kEmptyReply;
            }
            if (answer.button == ClashButton::KeepBoth) {
                const std::string base = WithoutTrailingSlash(target);
                const auto cut = base.rfind('/');
                const std::string targetFolderPart = cut == std::string::npos ? "" : base.substr(0, cut + 1);
                // Free names are looked up where the copy goes: the target bucket on its host.
                for (int n = 2;; ++n) {
                    target = targetFolderPart + NumberedName(name, n) + (folder ? "/" : "");
                    if (!GetObject(hosts.target, hosts.targetBucket, target)) {
                        break;
                    }
                }
            }
        }
        work.push_back({item.object, item.filesize, target});
        if (folder) {
            if (std::string reply = ListFolder(hosts, item.object, target, work); !reply.empty()) {
                return reply;
            }
        }
        if (progress_->ClosedByUser()) {
            return kEmptyReply;
        }
    }
    return "";
}

std::string CCopyObjectTask::ListFolder(const Hosts& hosts, const std::string& prefix,
                                        const std::string& targetPrefix, std::vector<CopyWorkItem>& work)
{
    std::string marker;
    for (;;) {
        CZymListObjectRet list;
        if (!ListObjects(hosts.source, hosts.sourceBucket, list, prefix, marker, "", "1000")) {
            if (progress_->ClosedByUser()) {
                return kEmptyReply;
            }
            progress_->Close();
            return services_.Failure(list, "DownloadDir", hosts.sourceBucket + "," + prefix + "," + marker);
        }
        for (const ObjectEntry& entry : list.Entries) {
            const std::string& key = entry.Key.empty() ? entry.Prefix : entry.Key;
            // The folder's own marker object is the folder item, already in the list.
            if (key.size() <= prefix.size() || key.compare(0, prefix.size(), prefix) != 0) {
                continue;
            }
            std::int64_t size = 0;
            try {
                size = entry.Size.empty() ? 0 : std::stoll(entry.Size);
            } catch (...) {
            }
            work.push_back({key, size, targetPrefix + key.substr(prefix.size())});
        }
        if (list.NextMarker.empty()) {
            return "";
        }
        marker = list.NextMarker;
    }
}

std::string CCopyObjectTask::CopyOne(const Hosts& hosts, const CopyWorkItem& item)
{
    // The request goes to the target bucket, so to the host that serves it.
    CZymCopyRet copy;
    if (!CopyObject(hosts.target, hosts.targetBucket, item.targetKey, hosts.sourceBucket, item.sourceKey,
                    copy)) {
        progress_->Close();
        return services_.Failure(copy, "CopyFileError", hosts.targetBucket + "," + item.targetKey);
    }
    return "";
}

std::string CCopyObjectTask::CopyInParts(const Hosts& hosts, const CopyWorkItem& item)
{
    CZymInitiateMultipartUploadRet start;
    if (!InitiateMultipartUpload(hosts.target, hosts.targetBucket, item.targetKey, start)) {
        progress_->Close();
        return services_.Failure(start, "CopyBigFileError", "");
    }
    // An unfinished copy is aborted, so no parts stay stored (and billed) on the service.
    const auto abandon = [&] {
        CZymRet ignored;
        ServiceCall plain = hosts.target;
        plain.cancel.reset();
        AbortMultipartUpload(plain, hosts.targetBucket, item.targetKey, start.UploadId, ignored);
    };
    ServiceCall partCall = hosts.target;
    partCall.cancel = progress_->ClosedToken();
    std::vector<CompletedPart> parts;
    const std::int64_t partSize = services_.partCopySize;
    for (std::int64_t i = 0; i * partSize < item.size; ++i) {
        const std::int64_t offset = i * partSize;
        const std::int64_t length = std::min(partSize, item.size - offset);
        const auto number = static_cast<std::int32_t>(i + 1);
        CZymCopyRet part;
        if (!UploadPartCopy(partCall, hosts.targetBucket, item.targetKey, hosts.sourceBucket, item.sourceKey,
                            start.UploadId, number, offset, length, part)) {
            abandon();
            if (progress_->ClosedByUser()) {
                return kEmptyReply;
            }
            progress_->Close();
            return services_.Failure(part, "CopyFileError",
                                     std::to_string(number) + "," + std::to_string(offset) + "," +
                                         std::to_string(length));
        }
        parts.push_back({number, part.ETag});
        if (progress_->ClosedByUser()) {
            abandon();
            return kEmptyReply;
        }
    }
    CZymRet done;
    if (!CompleteMultipartUpload(hosts.target, hosts.targetBucket, item.targetKey, start.UploadId, done,
                                 parts)) {
        abandon();
        progress_->Close();
        return services_.Failure(done, "CopyBigFileError", "");
    }
    return "";
}

} // namespace zym
