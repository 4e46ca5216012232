#pragma once
// Functions of the catalogue whose handlers are not built yet. Each answers the page at once
// with {"error":kUnbuiltError,"message":<text "NotBuilt" of section "prompt">}, through its
// callback when it has one (a direct function without one returns that reply as its value),
// and writes one log line: no call is silent and no page waits forever. Whoever builds a
// function registers it and takes its name off the list (a unit test checks both).
#include "bridge/catalogue.h"
#include "ops/page_reply.h"

#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace zym {

class LanguageDocument;
class Log;

inline constexpr int kUnbuiltError = 501;

// The names still waiting for their handlers, in catalogue order.
std::span<const std::string_view> UnbuiltFunctions();

// {"error":501,"message":"..."} in the interface language.
std::string UnbuiltReply(const LanguageDocument& language);

// Answers one call of a function without a handler. Returns the value a direct function
// gives back to the page (the reply itself when it has no callback), else nullopt.
std::optional<std::string> AnswerUnbuilt(const BridgeFunction& function, const ReplyTargetPtr& reply,
                                         const LanguageDocument& language, Log& log);

} // namespace zym
