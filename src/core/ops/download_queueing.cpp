#include "ops/download_queueing.h"

#include "service/error_text.h"
#include "service/failure_reply.h"
#include "store/trans_database.h"

#include <cjson/cJSON.h>
#include <memory>
#include <set>
#include <sys/stat.h>

namespace zym {
namespace {

std::string StringMember(const cJSON* element, const char* name)
{
    const cJSON* item = cJSON_GetObjectItemCaseSensitive(element, name);
    return cJSON_IsString(item) && item->valuestring != nullptr ? item->valuestring : "";
}

std::string WithoutQuotes(std::string text)
{
    std::erase(text, '"');
    return text;
}

bool Exists(const std::string& path)
{
    struct stat st
    {
    };
    return ::lstat(path.c_str(), &st) == 0;
}

std::string Join(const std::string& folder, const std::string& name)
{
    return !folder.empty() && folder.back() == '/' ? folder + name : folder + "/" + name;
}

std::int64_t SizeOf(const std::string& text)
{
    try {
        return text.empty() ? 0 : std::stoll(text);
    } catch (...) {
        return 0;
    }
}

} // namespace

std::optional<SaveFileRequest> ParseSaveFile(const std::string& argument)
{
    std::unique_ptr<cJSON, decltype(&cJSON_Delete)> root(cJSON_Parse(argument.c_str()), &cJSON_Delete);
    if (!root || !cJSON_IsObject(root.get())) {
        return std::nullopt;
    }
    SaveFileRequest request;
    const cJSON* member = nullptr;
    cJSON_ArrayForEach(member, root.get())
    {
        if (member->string != nullptr && std::string_view(member->string) == "path" &&
            cJSON_IsString(member)) {
            request.folder = member->valuestring; // a repeated "path": the later one wins
        }
        if (!cJSON_IsArray(member)) {
            continue;
        }
        const cJSON* element = nullptr;
        cJSON_ArrayForEach(element, member)
        {
            DownloadItem item;
            item.bucket = StringMember(element, "bucket");
            item.object = StringMember(element, "object");
            item.location = StringMember(element, "location");
            item.etag = WithoutQuotes(StringMember(element, "etag"));
            const cJSON* size = cJSON_GetObjectItemCaseSensitive(element, "filesize");
            if (cJSON_IsNumber(size)) {
                item.filesize = static_cast<std::int64_t>(size->valuedouble);
            }
            item.folder = item.object.empty() || item.object.back() == '/';
            request.items.push_back(std::move(item));
        }
    }
    return request;
}

std::string SafeComponent(const std::string& component)
{
    if (component.empty() || component == "." || component == "..") {
        return "_" + component;
    }
    return component;
}

std::string LocalPathBelow(const std::string& folder, const std::string& relativeKey)
{
    std::string path = folder;
    std::size_t start = 0;
    for (;;) {
        const auto slash = relativeKey.find('/', start);
        path = Join(path, SafeComponent(relativeKey.substr(start, slash - start)));
        if (slash == std::string::npos) {
            return path;
        }
        start = slash + 1;
    }
}

std::optional<std::vector<DownloadItem>>
PlaceDownloads(SaveFileRequest request, ClashQuestion& question,
               const std::function<std::string(const std::string&)>& hostOf)
{
    ClashMemory clashes(question, request.items.size() >= 2);
    // Paths given to earlier items of this call count as taken: two items with the same name
    // must not end up as one row.
    std::set<std::string> taken;
    for (DownloadItem& item : request.items) {
        item.host = item.location.empty() ? "" : hostOf(item.location);
        std::string name;
        if (item.object.empty()) {
            name = item.bucket;
        } else {
            std::string stripped = item.object;
            if (stripped.back() == '/') {
                stripped.pop_back();
            }
            const auto slash = stripped.rfind('/');
            name = slash == std::string::npos ? stripped : stripped.substr(slash + 1);
        }
        name = SafeComponent(name);
        item.fullpath = Join(request.folder, name);
        const auto isTaken = [&](const std::string& path) {
            return taken.count(path) != 0 || Exists(path);
        };
        if (isTaken(item.fullpath)) {
            const ClashAnswer answer = clashes.Settle(name, item.folder);
            if (answer.button == ClashButton::Close) {
                return std::nullopt;
            }
            if (answer.button == ClashButton::KeepBoth) {
                for (int n = 2;; ++n) {
                    item.fullpath = Join(request.folder, NumberedName(name, n));
                    if (!isTaken(item.fullpath)) {
                        break;
                    }
                }
            }
        }
        taken.insert(item.fullpath);
    }
    return std::move(request.items);
}

namespace {

class DownloadQueue
{
public:
    DownloadQueue(DownloadQueueing& queue, std::int64_t before) : q_(queue), before_(before) {}

    void AddRow(const DownloadItem& item, const std::string& object, const std::string& fullpath,
                const std::string& etag, std::int64_t size)
    {
        TransferRow row;
        row.key = etag;
        row.host = item.host;
        row.bucket = item.bucket;
        row.object = object;
        row.fullpath = fullpath;
        row.filesize = size;
        row.status = kStatusWaiting;
        q_.db.AddDownload(row);
        ++added_;
    }

    void Notify() const
    {
        if (q_.progress) {
            q_.progress(added_, before_ + added_);
        }
    }

    // Lists the folder item page by page into rows below its local folder; "" when done or
    // stopped, else the failure reply.
    std::string ListFolder(const DownloadItem& item)
    {
        ServiceCall call = q_.callFor(item.location);
        const std::string& prefix = item.object;
        std::string marker;
        for (;;) {
            CZymListObjectRet list;
            if (!ListObjects(call, item.bucket, list, prefix, marker, "", "1000")) {
                return FailureReply(list, q_.downloadDirText, item.bucket + "," + prefix + "," + marker,
                                    q_.language, q_.log);
            }
            for (const ObjectEntry& entry : list.Entries) {
                const std::string& key = entry.Key.empty() ? entry.Prefix : entry.Key;
                // The folder's own marker object is the item's row already.
                if (key.size() <= prefix.size() || key.compare(0, prefix.size(), prefix) != 0) {
                    continue;
                }
                std::string relative = key.substr(prefix.size());
                if (relative.back() == '/') {
                    relative.pop_back();
                }
                AddRow(item, key, LocalPathBelow(item.fullpath, relative), WithoutQuotes(entry.ETag),
                       SizeOf(entry.Size));
                if (q_.stop.requested) {
                    return "";
                }
            }
            Notify();
            if (list.NextMarker.empty()) {
                return "";
            }
            marker = list.NextMarker;
        }
    }

private:
    DownloadQueueing& q_;
    std::int64_t before_;
    std::int64_t added_ = 0;
};

} // namespace

std::string QueueDownloads(DownloadQueueing& q, const std::vector<DownloadItem>& items)
{
    std::string reply(kSuccessReply);
    q.stop.requested = false;
    q.stop.all = false;
    DownloadQueue queue(q, q.db.CountAll().downloads.value_or(0));
    {
        AddingScope adding(q.bracket);
        for (const DownloadItem& item : items) {
            q.db.BeginTransaction();
            if (!item.object.empty()) {
                queue.AddRow(item, item.object, item.fullpath, item.etag, item.filesize);
            }
            queue.Notify();
            if (q.stop.requested) {
                q.db.CommitTransaction();
                break;
            }
            if (item.folder) {
                const std::string failure = queue.ListFolder(item);
                if (!failure.empty()) {
                    reply = failure;
                    q.db.CommitTransaction();
                    break;
                }
            }
            q.db.CommitTransaction();
            if (q.stop.requested) {
                break; // a stop during the listing also ends the items after it
            }
        }
        // Removed before the scheduler is woken, so none of these rows starts meanwhile.
        if (q.stop.requested && q.stop.all) {
            q.db.BeginTransaction();
            for (const DownloadItem& item : items) {
                q.db.DeleteDownloadsUnder(item.host, item.bucket, item.object);
            }
            q.db.CommitTransaction();
        }
    }
    q.stop.requested = false;
    q.stop.all = false;
    return reply;
}

} // namespace zym
