// Requests on a whole bucket: create, delete, list objects, multi-delete, list uploads.
#include "service/service_operations.h"
#include "service/service_request.h"
#include "service/url_encoding.h"

namespace zym {

bool CreateBucket(const ServiceCall& call, const std::string& bucket, CZymRet& reply)
{
    ServiceRequest request;
    request.verb = "PUT";
    request.bucket = bucket;
    return SendServiceRequest(call, request, &reply);
}

bool DeleteBucket(const ServiceCall& call, const std::string& bucket, CZymRet& reply)
{
    ServiceRequest request;
    request.verb = "DELETE";
    request.bucket = bucket;
    return SendServiceRequest(call, request, &reply);
}

bool ListObjects(const ServiceCall& call, const std::string& bucket, CZymListObjectRet& reply,
                 const std::string& prefix, const std::string& marker, const std::string& delimiter,
                 const std::string& maxKeys)
{
    ServiceRequest request;
    request.verb = "GET";
    request.bucket = bucket;
    const std::pair<const char*, const std::string&> parameters[] = {
        {"prefix", prefix}, {"marker", marker}, {"delimiter", delimiter}, {"max-keys", maxKeys}};
    for (const auto& [name, value] : parameters) {
        if (!value.empty()) {
            request.query +=
                (request.query.empty() ? "?" : "&") + std::string(name) + "=" + FormEncode(value);
        }
    }
    return SendServiceRequest(call, request, &reply);
}

bool DeleteObjects(const ServiceCall& call, const std::string& bucket, const std::vector<std::string>& keys,
                   bool quiet, CZymRet& reply)
{
    ServiceRequest request;
    request.verb = "POST";
    request.bucket = bucket;
    request.subResource = "?delete";
    request.body = DeleteDocument(keys, quiet);
    request.contentMd5 = ContentMd5(request.body);
    request.contentType = "application/xml";
    request.before = {{"Content-MD5", request.contentMd5}, {"Content-Type", request.contentType}};
    request.dateFirst = true;
    return SendServiceRequest(call, request, &reply);
}

bool ListMultipartUploads(const ServiceCall& call, const std::string& bucket,
                          CZymListMultipartUploadRet& reply, const std::string& keyMarker,
                          const std::string& uploadIdMarker)
{
    ServiceRequest request;
    request.verb = "GET";
    request.bucket = bucket;
    request.subResource = "?uploads";
    // The page markers are sent, never signed, like the listing parameters of ListObjects.
    if (!keyMarker.empty()) {
        request.query += "&key-marker=" + FormEncode(keyMarker);
    }
    if (!uploadIdMarker.empty()) {
        request.query += "&upload-id-marker=" + FormEncode(uploadIdMarker);
    }
    return SendServiceRequest(call, request, &reply);
}

} // namespace zym
