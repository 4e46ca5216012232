// Requests on one object: copy, header change, delete, read, put, streamed upload, and the
// upload-callback notice.
#include "service/content_type.h"
#include "service/curl_cancel.h"
#include "service/proxy.h"
#include "service/service_host.h"
#include "service/service_operations.h"
#include "service/service_request.h"
#include "service/url_encoding.h"

namespace zym {

namespace {

std::string CopySource(const std::string& bucket, const std::string& key)
{
    return "/" + bucket + "/" + key; // raw text, sent and signed as it is
}

} // namespace

bool CopyObject(const ServiceCall& call, const std::string& targetBucket, const std::string& targetKey,
                const std::string& sourceBucket, const std::string& sourceKey, CZymCopyRet& reply)
{
    ServiceRequest request;
    request.verb = "PUT";
    request.bucket = targetBucket;
    request.key = targetKey;
    const std::string source = CopySource(sourceBucket, sourceKey);
    request.zymHeaders = {{"x-zym-copy-source", source}};
    request.before = {{"x-zym-copy-source", source}};
    request.longRequest = true;
    return SendServiceRequest(call, request, &reply);
}

bool ReplaceObjectHeaders(const ServiceCall& call, const std::string& bucket, const std::string& key,
                          CZymCopyRet& reply, const HeaderList& headers)
{
    ServiceRequest request;
    request.verb = "PUT";
    request.bucket = bucket;
    request.key = key;
    for (const auto& [name, value] : headers) {
        if (name == "Content-Type") {
            request.contentType = value;
            break;
        }
    }
    const std::string source = CopySource(bucket, key);
    request.zymHeaders = {{"x-zym-copy-source", source}};
    request.before = {{"x-zym-copy-source", source}};
    request.after = headers;
    return SendServiceRequest(call, request, &reply);
}

bool DeleteObject(const ServiceCall& call, const std::string& bucket, const std::string& key, CZymRet& reply)
{
    ServiceRequest request;
    request.verb = "DELETE";
    request.bucket = bucket;
    request.key = key;
    request.dateFirst = true;
    return SendServiceRequest(call, request, &reply);
}

bool GetObject(const ServiceCall& call, const std::string& bucket, const std::string& key)
{
    ServiceRequest request;
    request.verb = "GET";
    request.bucket = bucket;
    request.key = key;
    request.keepBody = false;
    return SendServiceRequest(call, request, nullptr);
}

bool ReadObject(const ServiceCall& call, const std::string& bucket, const std::string& key,
                HttpResponse& response, CZymRet& reply)
{
    ServiceRequest request;
    request.verb = "GET";
    request.bucket = bucket;
    request.key = key;
    const bool ok = SendServiceRequest(call, request, nullptr, response);
    reply.Result = response.result;
    if (!ok && response.result == 0) {
        ParseReply(reply, response.body);
    }
    return ok;
}

bool PutObject(const ServiceCall& call, const std::string& bucket, const std::string& key,
               const std::string& body, const HeaderList& headers, CZymRet& reply)
{
    ServiceRequest request;
    request.verb = "PUT";
    request.bucket = bucket;
    request.key = key;
    request.body = body;
    request.contentType = ContentTypeOf(key);
    request.before = {{"Content-Type", request.contentType}};
    for (const auto& [name, value] : headers) {
        if (name.starts_with("x-zym-")) {
            request.zymHeaders.push_back({name, value});
        }
    }
    request.after = headers;
    return SendServiceRequest(call, request, &reply);
}

bool NotifyUploadCallback(const std::string& address, const std::string& bucket, const std::string& key,
                          long timeoutSeconds, CancelTokenPtr cancel)
{
    HttpRequest request;
    request.cancel = std::move(cancel);
    request.url = RequestUrl(address);
    request.method = "PUT";
    request.body = "bucket=" + FormEncode(bucket) + "&object=" + FormEncode(key);
    request.timeoutSeconds = timeoutSeconds;
    curl_delegate curl;
    HttpResponse response;
    return PerformRequest(curl, request, response) && IsSuccessStatus(StatusFromHeaders(response.headers));
}

namespace {

size_t AppendReply(char* data, size_t size, size_t count, void* target)
{
    static_cast<std::string*>(target)->append(data, size * count);
    return size * count;
}

} // namespace

int PutObjectStream(const ServiceCall& call, const std::string& bucket, const std::string& key,
                    std::int64_t size, CurlDataCallback headerCallback, CurlDataCallback readCallback,
                    void* transfer, std::string& replyText, bool sendDisposition)
{
    SigningInput input;
    input.date = FormatGmtDate();
    input.verb = "PUT";
    input.contentType = ContentTypeOf(key);
    input.resource = "/" + bucket + "/" + key;
    const std::string date = input.date;
    const std::string contentType = input.contentType;
    const std::string authorization = BuildAuthorization(std::move(input), call.keys);

    CurlHeaderList headers;
    bool listOk = headers.Append("Expect:");
    if (sendDisposition) {
        listOk = listOk && headers.Append(("Content-Disposition: " + DispositionOf(key)).c_str());
    }
    listOk = listOk && headers.Append(("Content-Type: " + contentType).c_str()) &&
             headers.Append(("Date: " + date).c_str()) &&
             headers.Append(("Authorization: " + authorization).c_str());
    curl_delegate curl;
    CURL* h = curl.handle();
    if (h == nullptr || !listOk) {
        return h == nullptr ? CURLE_FAILED_INIT : CURLE_OUT_OF_MEMORY;
    }
    ServiceRequest target;
    target.bucket = bucket;
    target.key = key;
    const std::string url = ServiceUrl(call, target);

    curl_easy_reset(h);
    curl_easy_setopt(h, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(h, CURLOPT_LOW_SPEED_TIME, LowSpeedTime(call));
    curl_easy_setopt(h, CURLOPT_HEADER, 0L);
    curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(h, CURLOPT_CUSTOMREQUEST, "PUT");
    curl_easy_setopt(h, CURLOPT_HEADERFUNCTION, headerCallback);
    curl_easy_setopt(h, CURLOPT_HEADERDATA, transfer);
    curl_easy_setopt(h, CURLOPT_READFUNCTION, readCallback);
    curl_easy_setopt(h, CURLOPT_READDATA, transfer);
    curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, &AppendReply);
    curl_easy_setopt(h, CURLOPT_WRITEDATA, &replyText);
    // A body from the read callback, of a size known in advance.
    curl_easy_setopt(h, CURLOPT_POST, 1L);
    curl_easy_setopt(h, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(size));
    if (call.timeoutSeconds > 0) {
        curl_easy_setopt(h, CURLOPT_TIMEOUT, call.timeoutSeconds);
    }
    WatchCancel(h, call.cancel.get());
    curl_easy_setopt(h, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(h, CURLOPT_SSL_VERIFYHOST, 2L);
    curl_easy_setopt(h, CURLOPT_URL, url.c_str());
    ApplyProxy(h, url);
    curl_easy_setopt(h, CURLOPT_HTTPHEADER, headers.get());
    const CURLcode result = curl_easy_perform(h);
    curl_easy_setopt(h, CURLOPT_HTTPHEADER, nullptr);
    return result;
}

} // namespace zym
