#pragma once
// One connection of an upload: its own libcurl handle and its own descriptor of the source file,
// both kept for every part it sends. It takes parts from the task's queue until none is left,
// reads each part straight from the file into the transfer library's upload buffer (pread, no
// copy, no allocation per chunk), hashes it on the way and checks the ETag the service returns.
#include "app/log.h"
#include "platform/cancel_token.h"
#include "platform/unique_fd.h"
#include "service/service_operations.h"
#include "transfer/md5_stream.h"
#include "transfer/transfer_task.h"
#include "transfer/upload_part_queue.h"
#include "transfer/upload_source.h"

#include <curl/curl.h>
#include <functional>
#include <memory>
#include <string>

namespace zym {

// What every connection of one task shares with the task.
struct UploadPeerShared
{
    ServiceCall call;
    std::string bucket;
    std::string key;
    std::string uploadId; // empty: single PUT
    std::string path;
    SourceState source;
    bool sendDisposition = false;
    UploadPartQueue* queue = nullptr;
    TaskProgress* progress = nullptr;
    CancelTokenPtr cancel;
    std::function<void()> onConfirmed;    // a part was confirmed (the task saves its part-info file)
    std::function<void()> onNoSuchUpload; // the service no longer knows the upload id
    Log* log = nullptr;
};

class CUploadPeer
{
public:
    explicit CUploadPeer(const UploadPeerShared& shared);
    ~CUploadPeer();
    CUploadPeer(const CUploadPeer&) = delete;
    CUploadPeer& operator=(const CUploadPeer&) = delete;

    // Opens the source file; false with errno kept when it cannot be opened.
    bool Open();
    int OpenError() const { return openError_; }

    // Sends parts until the queue has none for this connection.
    void Run();

private:
    enum class Sent
    {
        Confirmed,
        Retry,      // a connection failure: the part is sent again
        TaskFailed, // the queue has been failed
        Stopped,
    };

    Sent Send(const PartJob& part);
    bool Prepare(const PartJob& part);
    void LogPartFailure(const PartJob& part, int code, const std::string& text);

    static size_t ReadBody(char* buffer, size_t size, size_t count, void* self);
    static int Rewind(void* self, curl_off_t offset, int origin);
    static size_t TakeHeader(char* data, size_t size, size_t count, void* self);
    static size_t TakeBody(char* data, size_t size, size_t count, void* self);
    static int Progress(void* self, curl_off_t, curl_off_t, curl_off_t, curl_off_t);

    const UploadPeerShared& shared_;
    std::unique_ptr<CURL, void (*)(CURL*)> curl_;
    UniqueFd fd_;
    int openError_ = 0;
    std::string contentType_;
    std::string disposition_;
    Md5Stream md5_;

    // The part being sent.
    PartJob part_;
    std::int64_t sent_ = 0;
    int readError_ = 0; // errno of a failed read, or EIO for a file that shrank
    SourceCheck sourceAtEnd_ = SourceCheck::Same;
    std::string headers_;
    std::string body_;
};

} // namespace zym
