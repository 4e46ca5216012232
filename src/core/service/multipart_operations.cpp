// The multipart-upload requests: initiate, part copy, complete, abort.
#include "service/content_type.h"
#include "service/service_operations.h"
#include "service/service_request.h"
#include "service/url_encoding.h"

namespace zym {

namespace {

// The upload id stands raw in what is signed (the service decodes the address before it
// checks) and form-encoded in the address, so an id with "+", "/" or "=" reaches the service
// intact.
void SetUploadId(ServiceRequest& request, const std::string& prefix, const std::string& uploadId)
{
    request.subResource = prefix + "uploadId=" + uploadId;
    request.urlSuffix = prefix + "uploadId=" + FormEncode(uploadId);
}

} // namespace

bool InitiateMultipartUpload(const ServiceCall& call, const std::string& bucket, const std::string& key,
                             CZymInitiateMultipartUploadRet& reply)
{
    ServiceRequest request;
    request.verb = "POST";
    request.bucket = bucket;
    request.key = key;
    request.subResource = "?uploads";
    return SendServiceRequest(call, request, &reply);
}

bool UploadPartCopy(const ServiceCall& call, const std::string& bucket, const std::string& key,
                    const std::string& sourceBucket, const std::string& sourceKey,
                    const std::string& uploadId, std::int32_t partNumber, std::int64_t offset,
                    std::int64_t length, CZymCopyRet& reply)
{
    ServiceRequest request;
    request.verb = "PUT";
    request.bucket = bucket;
    request.key = key;
    SetUploadId(request, "?partNumber=" + std::to_string(partNumber) + "&", uploadId);
    request.contentType = ContentTypeOf(key);
    const std::string source = "/" + sourceBucket + "/" + sourceKey;
    const std::string range = std::to_string(offset) + "-" + std::to_string(offset + length - 1);
    request.zymHeaders = {{"x-zym-copy-source", source}, {"x-zym-copy-source-range", range}};
    request.before = {{"x-zym-copy-source", source},
                      {"x-zym-copy-source-range", range},
                      {"Content-Disposition", DispositionOf(key)},
                      {"Content-Type", request.contentType},
                      {"Content-Length", "0"}};
    request.dateFirst = true;
    request.longRequest = true;
    return SendServiceRequest(call, request, &reply);
}

bool CompleteMultipartUpload(const ServiceCall& call, const std::string& bucket, const std::string& key,
                             const std::string& uploadId, CZymRet& reply,
                             const std::vector<CompletedPart>& parts)
{
    ServiceRequest request;
    request.verb = "POST";
    request.bucket = bucket;
    request.key = key;
    SetUploadId(request, "?", uploadId);
    request.body = CompleteMultipartUploadDocument(parts);
    request.contentMd5 = ContentMd5(request.body);
    request.contentType = "application/xml";
    request.before = {{"Content-MD5", request.contentMd5}, {"Content-Type", request.contentType}};
    request.dateFirst = true;
    return SendServiceRequest(call, request, &reply);
}

bool AbortMultipartUpload(const ServiceCall& call, const std::string& bucket, const std::string& key,
                          const std::string& uploadId, CZymRet& reply)
{
    ServiceRequest request;
    request.verb = "DELETE";
    request.bucket = bucket;
    request.key = key;
    SetUploadId(request, "?", uploadId);
    return SendServiceRequest(call, request, &reply);
}

} // namespace zym
