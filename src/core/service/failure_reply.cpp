#include "service/failure_reply.h"

#include "app/log.h"
#include "service/error_text.h"

namespace zym {

std::string FailureReply(const CZymRet& reply, std::string_view operation, std::string_view detail,
                         int language, Log& log)
{
    const std::string head = "[" + std::string(operation) + "][" + std::string(detail) + "][";
    if (reply.Result != 0) {
        const std::string text = TransferErrorText(language, reply.Result);
        log.WriteLog(head + std::to_string(reply.Result) + "," + text + "]", false);
        return ReplyText(kErrorTransport, text);
    }
    log.WriteLog(head + reply.Code + "," + reply.Message + "]", false);
    return ReplyText(kErrorService, ServiceErrorText(language, reply.Code));
}

} // namespace zym
