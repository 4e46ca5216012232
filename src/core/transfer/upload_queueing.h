#pragma once
// Queueing uploads: one row per file and folder the page named, with every folder walked
// recursively, all inside one transaction while the upload manager holds back its scheduler.
#include "transfer/adding_bracket.h"

#include <cstdint>
#include <string>
#include <vector>

namespace zym {

class CTransDatabase;

// One local path and the key it is uploaded to.
struct UploadItem
{
    std::string object;
    std::string path;
};

struct UploadQueueLimits
{
    // The Upload table takes rows until it holds this many; the row that reaches it is the last.
    std::int64_t maxRows = 1'000'000;
    // The "MaxUploadError" text of the interface language, for the error reply.
    std::string maxUploadText;
};

// The key of a path the page named: prefix + the path's last component, with "/" appended
// when the path is a folder on disk. The prefix is used as given (the page adds its "/").
std::string UploadKeyOf(const std::string& prefix, const std::string& path);

// Writes the rows (status waiting) and returns the page's reply: {"error":0,"message":""}, or
// the error 1000000 reply once the table reaches the limit (rows written so far stay).
// Folder links are followed at most once per real folder (device and inode), so a link cycle
// cannot queue rows forever; a link to a file is uploaded as the file's contents. An entry that
// cannot be read is queued with size and time 0 (the upload then reports it).
std::string AddUploads(CTransDatabase& db, AddingBracket& bracket, const std::string& host,
                       const std::string& bucket, const std::vector<UploadItem>& items,
                       const UploadQueueLimits& limits);

} // namespace zym
