#pragma once
// Every request the client sends to the storage service, plus the upload-callback request
// sent to a page-chosen address. Each takes the keys it signs with and the host that serves
// the bucket (ServiceHost) explicitly, fills the caller's reply model and returns true only
// when the transfer completed and the status was 200 to 399. A transport failure leaves only
// the model's Result set; otherwise the body (success or error document) is parsed into it.
// Keys are raw text: form-encoded in addresses, raw in what is signed.
#include "platform/cancel_token.h"
#include "service/http_transport.h"
#include "service/reply_models.h"
#include "service/request_documents.h"
#include "service/session.h"

#include <cstdint>
#include <string>
#include <vector>

namespace zym {

struct ServiceCall
{
    AccessKeys keys;         // signs the request
    std::string host;        // what follows "bucket." in the address, e.g. "cn-east.zymcloud.com"
    long timeoutSeconds = 0; // 0 keeps each request's own limit (60 s; 600 s for server-side copies)
    CancelTokenPtr cancel;   // aborts the call's requests when cancelled; may be null
    // Object transfers end when not one byte moved for this long; 0 keeps 30 s.
    long lowSpeedSeconds = 0;
};

inline long LowSpeedTime(const ServiceCall& call)
{
    return call.lowSpeedSeconds > 0 ? call.lowSpeedSeconds : 30L;
}

bool DeleteBucket(const ServiceCall& call, const std::string& bucket, CZymRet& reply);

// Parameters are sent only when not empty, in the order prefix, marker, delimiter, max-keys.
bool ListObjects(const ServiceCall& call, const std::string& bucket, CZymListObjectRet& reply,
                 const std::string& prefix, const std::string& marker, const std::string& delimiter,
                 const std::string& maxKeys);

// Server-side copy of another object onto the target (600-second limit).
bool CopyObject(const ServiceCall& call, const std::string& targetBucket, const std::string& targetKey,
                const std::string& sourceBucket, const std::string& sourceKey, CZymCopyRet& reply);

// Replaces the object's headers by copying it onto itself with the given headers. A header
// named exactly "Content-Type" (case-sensitive, first one) is also signed.
bool ReplaceObjectHeaders(const ServiceCall& call, const std::string& bucket, const std::string& key,
                          CZymCopyRet& reply, const HeaderList& headers);

bool DeleteObject(const ServiceCall& call, const std::string& bucket, const std::string& key, CZymRet& reply);

// One multi-object delete request; callers send at most 1,000 keys per request.
bool DeleteObjects(const ServiceCall& call, const std::string& bucket, const std::vector<std::string>& keys,
                   bool quiet, CZymRet& reply);

// Unsigned PUT of "bucket=...&object=..." to the callback address. Cancelling `cancel` (may be
// null) ends it at once: a stop or the program's shutdown does not wait for a slow address.
bool NotifyUploadCallback(const std::string& address, const std::string& bucket, const std::string& key,
                          long timeoutSeconds = 0, CancelTokenPtr cancel = nullptr);

// Reads the object and drops its body; true when it could be read.
bool GetObject(const ServiceCall& call, const std::string& bucket, const std::string& key);

// libcurl-style callbacks of a streamed upload; `transfer` is handed to both.
using CurlDataCallback = size_t (*)(char* data, size_t size, size_t count, void* transfer);

// Streams `size` bytes from the read callback to the object. No overall limit, but aborted
// after 30 s below 1 byte/s. The caller's header callback sees the reply's headers; the reply
// body is appended to replyText. Returns libcurl's result unchanged (the status is the
// caller's to read from its headers).
int PutObjectStream(const ServiceCall& call, const std::string& bucket, const std::string& key,
                    std::int64_t size, CurlDataCallback headerCallback, CurlDataCallback readCallback,
                    void* transfer, std::string& replyText, bool sendDisposition);

bool InitiateMultipartUpload(const ServiceCall& call, const std::string& bucket, const std::string& key,
                             CZymInitiateMultipartUploadRet& reply);

// Copies bytes offset .. offset+length-1 of the source object as part `partNumber` (600-second
// limit); the part's ETag lands in reply.ETag.
bool UploadPartCopy(const ServiceCall& call, const std::string& bucket, const std::string& key,
                    const std::string& sourceBucket, const std::string& sourceKey,
                    const std::string& uploadId, std::int32_t partNumber, std::int64_t offset,
                    std::int64_t length, CZymCopyRet& reply);

bool CompleteMultipartUpload(const ServiceCall& call, const std::string& bucket, const std::string& key,
                             const std::string& uploadId, CZymRet& reply,
                             const std::vector<CompletedPart>& parts);

bool AbortMultipartUpload(const ServiceCall& call, const std::string& bucket, const std::string& key,
                          const std::string& uploadId, CZymRet& reply);

// One page of the bucket's unfinished uploads; the markers (NextKeyMarker and
// NextUploadIdMarker of the previous page) ask for the page after them.
bool ListMultipartUploads(const ServiceCall& call, const std::string& bucket,
                          CZymListMultipartUploadRet& reply, const std::string& keyMarker = "",
                          const std::string& uploadIdMarker = "");

// Requests the client itself never needs but its tests and tools do to prepare data: create a
// bucket (in the location the host names) and put a small object from memory with extra
// headers. Signed like every other request.
bool CreateBucket(const ServiceCall& call, const std::string& bucket, CZymRet& reply);
bool PutObject(const ServiceCall& call, const std::string& bucket, const std::string& key,
               const std::string& body, const HeaderList& headers, CZymRet& reply);
// Reads an object into `response` (headers and body); true on a 200-399 status.
bool ReadObject(const ServiceCall& call, const std::string& bucket, const std::string& key,
                HttpResponse& response, CZymRet& reply);

} // namespace zym
