#pragma once
// One connection of a download: a libcurl handle kept for every range it fetches and a 256 KiB
// buffer, taken when the first small chunk arrives. It fetches one range with a signed ranged GET, writes
// each full buffer at its offset in the data file through the task's sink and says how far it got.
#include "platform/cancel_token.h"
#include "service/curl_delegate.h"
#include "service/service_operations.h"
#include "transfer/range_list.h"

#include <cstdint>
#include <memory>
#include <string>

namespace zym {

// What a connection needs from its task.
class PieceSink
{
public:
    virtual ~PieceSink() = default;
    // Writes the bytes at piece.first and records them as stored. False on a write error
    // (errorText says why); the connection then ends the range.
    virtual bool Store(ByteRange piece, const char* data, std::string& errorText) = 0;
    // Counts received bytes for the live offset and the speed (negative: taken back).
    virtual void Received(std::int64_t bytes) = 0;
    // True when the task no longer wants bytes (stopped, failed or complete).
    virtual bool Abandoned() const = 0;
};

struct FetchResult
{
    bool complete = false; // every byte of the range stored
    std::int64_t next = 0; // first byte not stored
    int code = 0;          // the transfer's result code when not complete
    std::string text;      // why not complete
};

class CDownloadPeer
{
public:
    // Every connection of every running download holds one (25 with 5 downloads of 5
    // connections): large enough for few writes, small enough to keep the program light.
    static constexpr std::size_t kBufferSize = 256 * 1024;
    // Chunks at least this large are written without passing through the buffer.
    static constexpr std::size_t kDirectWrite = 64 * 1024;

    explicit CDownloadPeer(PieceSink& sink);
    CDownloadPeer(const CDownloadPeer&) = delete;
    CDownloadPeer& operator=(const CDownloadPeer&) = delete;

    // Fetches [range.first, range.last] of bucket/object (objectSize bytes in all).
    FetchResult Fetch(const ServiceCall& call, const std::string& bucket, const std::string& object,
                      ByteRange range, std::int64_t objectSize);

private:
    static size_t OnHeader(char* data, size_t size, size_t count, void* self);
    static size_t OnBody(char* data, size_t size, size_t count, void* self);
    static int OnProgress(void* self, curl_off_t, curl_off_t, curl_off_t, curl_off_t);
    bool AcceptStatus();
    bool Flush();

    PieceSink& sink_;
    curl_delegate curl_;
    std::unique_ptr<char[]> buffer_;
    std::size_t buffered_ = 0;
    // The range being fetched: next byte to store and the bytes still missing.
    std::int64_t start_ = 0;
    std::int64_t remaining_ = 0;
    std::int64_t objectSize_ = 0;
    bool statusAccepted_ = false;
    std::string headers_;
    std::string failure_; // why the transfer was aborted from a callback
};

// "bytes first-last/total" of a header text; false when the header is missing or malformed.
bool ParseContentRange(const std::string& headers, std::int64_t& first, std::int64_t& last,
                       std::int64_t& total);

} // namespace zym
