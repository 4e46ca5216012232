#pragma once
// Turns a failed service request into the page's error reply and one log line.
#include "service/reply_models.h"

#include <string>
#include <string_view>

namespace zym {

class Log;

// Transport failure (reply.Result not 0): {"error":9,...} with the transfer text, logged as
// "[operation][detail][result,text]". Otherwise a service failure: {"error":10,...} with the
// service code's text, logged as "[operation][detail][Code,Message]" with the service's own
// words. The reply's message is JSON-escaped; the log line is not kept for the page.
std::string FailureReply(const CZymRet& reply, std::string_view operation, std::string_view detail,
                         int language, Log& log);

} // namespace zym
