#pragma once
// Queueing downloads (saveFile): the page's items become local paths inside the chosen folder,
// clashes with what already exists there are settled with the user, and the rows are written,
// folders (and whole buckets) by listing them page by page.
#include "transfer/adding_bracket.h"
#include "ops/clash_question.h"
#include "service/service_operations.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace zym {

class CTransDatabase;
class Log;

struct DownloadItem
{
    std::string location; // the page's "location"
    std::string host;     // the host serving the bucket; filled when the item is placed
    std::string bucket;
    std::string object; // a folder keeps its trailing "/"; a whole bucket is ""
    std::string fullpath;
    std::string etag; // without double quotes
    std::int64_t filesize = 0;
    bool folder = false;
};

struct SaveFileRequest
{
    std::string folder; // the local target folder
    std::vector<DownloadItem> items;
};

// Reads the saveFile argument; nullopt when it is not JSON (the call then gets no reply).
std::optional<SaveFileRequest> ParseSaveFile(const std::string& argument);

// One key component made safe to use as a local name: "", "." and ".." (which would name the
// target folder itself or climb out of it) become "_", "_." and "_.."; anything else stays.
std::string SafeComponent(const std::string& component);

// The local path of a listed key below an item's folder: each "/"-separated part made safe,
// so that no key ("../../x", "/etc/x", "a/../../x") can reach outside `folder`.
std::string LocalPathBelow(const std::string& folder, const std::string& relativeKey);

// Works out each item's local path and settles clashes with what exists there. nullopt when
// the user closed a question: the whole call is cancelled (nothing is queued, no reply).
// `hostOf` gives the host of a location word.
std::optional<std::vector<DownloadItem>>
PlaceDownloads(SaveFileRequest request, ClashQuestion& question,
               const std::function<std::string(const std::string&)>& hostOf);

// The stop requests of stopLoadDownload: stop queueing, and with `all` also remove what the
// stopped operation queued.
struct StopLoadFlags
{
    std::atomic<bool> requested{false};
    std::atomic<bool> all{false};
};

struct DownloadQueueing
{
    CTransDatabase& db;
    AddingBracket& bracket;
    StopLoadFlags& stop;
    // The signed call for an item's location (its host is the rows' host).
    std::function<ServiceCall(const std::string& location)> callFor;
    // "UpdateLoadingCount": rows added by this call, and that plus the rows there were before.
    std::function<void(std::int64_t count, std::int64_t downloadCount)> progress;
    std::string downloadDirText; // "DownloadDir" of the interface language
    int language = 0;
    Log& log;
};

// Writes the rows (one transaction per item) and returns the reply: {"error":0,"message":""},
// or the listing failure reply. Rows carry the ETag (the page's, or the listing's) as hash.
std::string QueueDownloads(DownloadQueueing& queue, const std::vector<DownloadItem>& items);

} // namespace zym
