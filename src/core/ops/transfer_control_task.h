#pragma once
// The transfer lists' actions (start, stop and delete uploads and downloads, by selection or
// all) and the change of an object's headers, run on the operation pool.
#include "ops/page_reply.h"
#include "service/service_operations.h"

#include <functional>
#include <string>
#include <string_view>

namespace zym {

class CTransferEngine;
class Log;

// What the actions need from outside.
struct ControlServices
{
    CTransferEngine* engine = nullptr;
    // The signed call of the current login for a bucket of this location word.
    std::function<ServiceCall(const std::string& location)> callFor;
    // The text of a word of the "prompt" section of the interface language.
    std::function<std::string(std::string_view word)> promptText;
    std::function<int()> language; // interface language number; null reads 0
    Log* log = nullptr;            // null: the process log
};

// True for the seven names the task knows.
bool IsControlAction(std::string_view action);

// Runs one action and returns its reply: {"error":0,"message":""} for the six transfer
// actions, the change's result for setMetaObject, "" (no answer) for any other name.
std::string RunControlAction(std::string_view action, std::string_view argument,
                             const ControlServices& services);

class CHandlerTask : public CPageTask
{
public:
    CHandlerTask(std::string action, std::string argument, ReplyTargetPtr target, ControlServices services)
        : CPageTask(std::move(argument), std::move(target)), action_(std::move(action)),
          services_(std::move(services))
    {}
    void Run() override { Reply(RunControlAction(action_, Argument(), services_)); }

private:
    std::string action_;
    ControlServices services_;
};

} // namespace zym
