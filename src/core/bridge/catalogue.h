#pragma once
// The 55 functions of the page's ZYMClient object: their order, how each reads its
// arguments, how it answers and which way the call travels.
#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace zym {

enum class ArgRule
{
    None,         // takes nothing
    Text,         // text = first argument when it is a string, else ""
    TextRequired, // nothing happens unless the first argument is a string
    TextAndText2, // text, and text2 = second argument when it is a string
    OnlyCallback, // exactly one argument, the callback; any other count: nothing happens
};

enum class AnswerKind
{
    Text,          // the text itself
    Quoted,        // the value between two double quotes
    QuotedOrEmpty, // quoted, but an empty value gives the empty string
    None,          // undefined
    Later,         // undefined now; the callback may be called once later
};

enum class Route
{
    Direct,   // answered at once by the native side
    Message,  // PendingCall + window message to the hosting window
    Task,     // transfer-control task posted to the operation pool
    Reporter, // registration with a progress reporter
};

struct BridgeFunction
{
    std::string_view name;
    ArgRule args;
    int callbackPosition; // 1-based argument position of the callback, 0 when none
    AnswerKind answer;
    Route route;
    std::string_view processMessage; // for Route::Message, else empty
};

// All 55 functions in registration order.
std::span<const BridgeFunction> Catalogue();
// Exact, case-sensitive lookup; nullptr for an unknown name.
const BridgeFunction* FindFunction(std::string_view name);

// One argument as the page passed it: the text of a string argument, nullopt for any
// other type.
using CallArgument = std::optional<std::string>;

struct ReadArguments
{
    bool proceed = false;   // false: the function does nothing and answers nothing
    std::string text;       // first string argument or ""
    std::string text2;      // second string argument or ""
    int callbackIndex = -1; // 0-based index of the callback argument, -1 when absent
};

// The page-visible form of a function's answer value: nullopt means undefined.
std::optional<std::string> FormatAnswer(AnswerKind kind, const std::string& value);

// Applies the function's argument rule to the arguments the page passed.
ReadArguments ReadCallArguments(const BridgeFunction& function, const std::vector<CallArgument>& args);

} // namespace zym
