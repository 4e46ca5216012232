#pragma once
// What the copy and delete tasks need from around them: the signed call for a location, the
// texts of the interface language and the log their failure lines go to.
#include "service/service_operations.h"

#include <cstdint>
#include <functional>
#include <string>

namespace zym {

class LanguageDocument;
class Log;

struct OpsServices
{
    std::function<ServiceCall(const std::string& location)> callFor;
    const LanguageDocument& language;
    std::function<int()> languageNumber;
    Log& log;
    // Objects of at least this size are copied part by part, in parts of this size. Only tests
    // lower it, so that a small object takes the part-copy path.
    std::int64_t partCopySize = std::int64_t{1} << 30;

    // The "prompt" text of `word` in the current language.
    std::string Prompt(const std::string& word) const;
    // FailureReply with the prompt text of `word` as the operation.
    std::string Failure(const CZymRet& reply, const std::string& word, const std::string& detail) const;
};

} // namespace zym
