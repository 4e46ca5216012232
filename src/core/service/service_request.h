#pragma once
// The common shape of a signed service request: date, signature, header order, address.
#include "service/http_transport.h"
#include "service/service_operations.h"
#include "service/signer.h"

#include <string>
#include <vector>

namespace zym {

struct ServiceRequest
{
    std::string verb;
    std::string bucket;
    std::string key;                         // raw; empty for bucket-level requests
    std::string subResource;                 // "?uploads", "?partNumber=1&uploadId=ID": signed and sent
    std::string urlSuffix;                   // the sub-resource as sent (encoded); empty means subResource
    std::string query;                       // list parameters: sent, never signed
    std::string contentMd5;                  // signed (callers also list the header where it is sent)
    std::string contentType;                 // signed
    std::vector<CanonicalHeader> zymHeaders; // signed x-zym- headers
    HeaderList before;                       // sent ahead of the Date/Authorization pair
    HeaderList after;                        // sent after it
    bool dateFirst = false;                  // "Date, Authorization" instead of the reverse
    std::string body;
    bool longRequest = false; // the 600-second limit of server-side copies
    bool keepBody = true;     // false: the reply body is dropped as it arrives
};

// "bucket.host/" + form-encoded key + sub-resource + query, with the http:// rule applied.
std::string ServiceUrl(const ServiceCall& call, const ServiceRequest& request);

// Signs and sends the request; fills reply (when given) and response. True when the transfer
// completed and the status is 200-399.
bool SendServiceRequest(const ServiceCall& call, const ServiceRequest& request, CZymRet* reply,
                        HttpResponse& response);
inline bool SendServiceRequest(const ServiceCall& call, const ServiceRequest& request, CZymRet* reply)
{
    HttpResponse response;
    return SendServiceRequest(call, request, reply, response);
}

} // namespace zym
