#pragma once
// One Download or Upload row of the transfer queue in memory, and one upload callback rule.
#include <cstdint>
#include <string>

namespace zym {

// Values of the status column of Download and Upload. Any value of 5 or more counts as failed.
enum TransferStatus : int
{
    kStatusRunning = 1,
    kStatusWaiting = 2,
    kStatusStopped = 3,
    kStatusFinished = 4,
    kStatusFailed = 5,
};

struct TransferRow
{
    std::string key; // hash of a download (the ETag without quotes), pathhash of an upload
    std::string host;
    std::string bucket;
    std::string object;
    std::string fullpath;
    std::int64_t filesize = 0;
    std::int64_t offset = 0;
    std::int64_t last = 0; // uploads only: the source's modification time when queued
    int status = kStatusWaiting;
    std::string uploadid; // uploads only
    int errornum = 0;
    std::string errormsg;
    std::int64_t speed = 0; // bytes per second; filled by the progress reports, never stored
};

// One row of the Regular table: the upload callback rule of one bucket.
struct CallbackRule
{
    std::string bucket;
    std::string regular; // pattern searched in the key of an uploaded object
    std::string host;    // callback address
    int status = 0;
    int num = 0; // callback attempts
};

} // namespace zym
