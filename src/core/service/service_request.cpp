#include "service/service_request.h"

#include "service/service_host.h"
#include "service/url_encoding.h"

namespace zym {

std::string ServiceUrl(const ServiceCall& call, const ServiceRequest& request)
{
    return RequestUrl(request.bucket + "." + call.host + "/" + FormEncode(request.key) +
                      (request.urlSuffix.empty() ? request.subResource : request.urlSuffix) + request.query);
}

bool SendServiceRequest(const ServiceCall& call, const ServiceRequest& request, CZymRet* reply,
                        HttpResponse& response)
{
    SigningInput input;
    input.date = FormatGmtDate();
    input.verb = request.verb;
    input.contentMd5 = request.contentMd5;
    input.contentType = request.contentType;
    input.resource = "/" + request.bucket + "/" + request.key + request.subResource;
    input.headers = request.zymHeaders;
    const std::string date = input.date;
    const std::string authorization = BuildAuthorization(std::move(input), call.keys);

    HttpRequest http;
    http.url = ServiceUrl(call, request);
    http.method = request.verb;
    http.body = request.body;
    http.timeoutSeconds = call.timeoutSeconds;
    http.cancel = call.cancel;
    http.keepBody = request.keepBody;
    http.headers = request.before;
    if (request.dateFirst) {
        http.headers.emplace_back("Date", date);
        http.headers.emplace_back("Authorization", authorization);
    } else {
        http.headers.emplace_back("Authorization", authorization);
        http.headers.emplace_back("Date", date);
    }
    http.headers.insert(http.headers.end(), request.after.begin(), request.after.end());

    curl_delegate curl;
    const bool completed =
        request.longRequest ? PerformLongRequest(curl, http, response) : PerformRequest(curl, http, response);
    if (!completed) {
        if (reply != nullptr) {
            reply->Result = response.result;
        }
        return false;
    }
    if (reply != nullptr) {
        reply->Result = 0;
        ParseReply(*reply, response.body);
    }
    return IsSuccessStatus(StatusFromHeaders(response.headers));
}

} // namespace zym
