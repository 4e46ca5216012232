#include "ops/ops_services.h"

#include "app/language_document.h"
#include "service/failure_reply.h"

namespace zym {

std::string OpsServices::Prompt(const std::string& word) const
{
    return language.String("prompt", word);
}

std::string OpsServices::Failure(const CZymRet& reply, const std::string& word,
                                 const std::string& detail) const
{
    return FailureReply(reply, Prompt(word), detail, languageNumber ? languageNumber() : 0, log);
}

} // namespace zym
