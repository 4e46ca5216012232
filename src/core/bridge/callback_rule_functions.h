#pragma once
// setCallFunctionInfo and getCallFunctionInfo: the upload callback rule of a bucket, kept in
// the account's transfer queue (the Regular table) and in the transfer engine's rule list.
// Without an open queue (no login yet) nothing is stored and the reader answers the registry's
// error for a function that cannot work yet.
#include "store/transfer_row.h"

#include <functional>
#include <string>
#include <string_view>

namespace zym {

class CTransDatabase;
class HandlerRegistry;
class LanguageDocument;
class Log;

class CallbackRuleFunctions
{
public:
    // The logged-in account's queue, or nullptr when none is open.
    using QueueSource = std::function<CTransDatabase*()>;
    // Puts a rule into the engine's in-memory list (replacing the bucket's earlier rule).
    using EngineRuleSink = std::function<void(const CallbackRule&)>;

    CallbackRuleFunctions(QueueSource queue, EngineRuleSink engine, const LanguageDocument& language,
                          Log& log)
        : queue_(std::move(queue)), engine_(std::move(engine)), language_(language), log_(log)
    {}

    // Members "bucket", "regular", "url" (the rule's host), "status", "num"; missing ones are ""
    // or 0. A text that is not JSON stores nothing.
    void SetCallFunctionInfo(std::string_view text);
    // The bucket's rule printed formatted (tab-indented, members on their own lines) in the
    // order bucket, regular, url, status, num; "{}" when the bucket has none.
    std::string GetCallFunctionInfo(std::string_view text);

private:
    QueueSource queue_;
    EngineRuleSink engine_;
    const LanguageDocument& language_;
    Log& log_;
};

void RegisterCallbackRuleFunctions(HandlerRegistry& registry, CallbackRuleFunctions& rules);

} // namespace zym
