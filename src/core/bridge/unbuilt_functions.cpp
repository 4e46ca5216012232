#include "bridge/unbuilt_functions.h"

#include "app/language_document.h"
#include "app/log.h"
#include "platform/json_text.h"

#include <array>

namespace zym {
namespace {

// Every function of the catalogue has its handler now; a function added to the catalogue
// before its handler is written goes here until then.
constexpr std::array<std::string_view, 0> kUnbuilt{};

} // namespace

std::span<const std::string_view> UnbuiltFunctions()
{
    return kUnbuilt;
}

std::string UnbuiltReply(const LanguageDocument& language)
{
    return "{\"error\":" + std::to_string(kUnbuiltError) + ",\"message\":\"" +
           JsonEscape(language.String("prompt", "NotBuilt")) + "\"}";
}

std::optional<std::string> AnswerUnbuilt(const BridgeFunction& function, const ReplyTargetPtr& reply,
                                         const LanguageDocument& language, Log& log)
{
    log.WriteLog("[bridge][" + std::string(function.name) + "][not built]", false);
    const std::string text = UnbuiltReply(language);
    if (reply) {
        DeliverReply(reply, text);
        return std::nullopt;
    }
    if (function.route == Route::Direct)
        return text;
    return std::nullopt;
}

} // namespace zym
