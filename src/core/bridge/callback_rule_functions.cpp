#include "bridge/callback_rule_functions.h"

#include "app/log.h"
#include "bridge/handler_registry.h"
#include "bridge/unbuilt_functions.h"
#include "platform/json_text.h"
#include "store/trans_database.h"

#include <cjson/cJSON.h>
#include <memory>

namespace zym {

void CallbackRuleFunctions::SetCallFunctionInfo(std::string_view text)
{
    const auto args = JsonArgs::Parse(text);
    if (!args)
        return;
    CallbackRule rule;
    rule.bucket = args->Text("bucket").value_or("");
    rule.regular = args->Text("regular").value_or("");
    rule.host = args->Text("url").value_or("");
    rule.status = static_cast<int>(args->Int("status").value_or(0));
    rule.num = static_cast<int>(args->Int("num").value_or(0));

    CTransDatabase* queue = queue_ ? queue_() : nullptr;
    if (!queue) {
        log_.WriteLog("[setCallFunctionInfo][" + rule.bucket + "][no transfer queue is open]", true);
        return;
    }
    if (!queue->SaveRule(rule))
        log_.WriteLog("[setCallFunctionInfo][" + rule.bucket + "][SaveRule failed]", true);
    if (engine_)
        engine_(rule);
}

std::string CallbackRuleFunctions::GetCallFunctionInfo(std::string_view text)
{
    const auto args = JsonArgs::Parse(text);
    const std::string bucket = args ? args->Text("bucket").value_or("") : std::string();
    CTransDatabase* queue = queue_ ? queue_() : nullptr;
    if (!queue) {
        log_.WriteLog("[getCallFunctionInfo][" + bucket + "][no transfer queue is open]", true);
        return UnbuiltReply(language_);
    }
    const auto rule = queue->GetRule(bucket);
    if (!rule)
        return "{}";
    std::unique_ptr<cJSON, decltype(&cJSON_Delete)> object(cJSON_CreateObject(), cJSON_Delete);
    cJSON_AddStringToObject(object.get(), "bucket", rule->bucket.c_str());
    cJSON_AddStringToObject(object.get(), "regular", rule->regular.c_str());
    cJSON_AddStringToObject(object.get(), "url", rule->host.c_str());
    cJSON_AddNumberToObject(object.get(), "status", rule->status);
    cJSON_AddNumberToObject(object.get(), "num", rule->num);
    std::unique_ptr<char, decltype(&cJSON_free)> printed(cJSON_Print(object.get()), cJSON_free);
    return printed ? std::string(printed.get()) : std::string("{}");
}

void RegisterCallbackRuleFunctions(HandlerRegistry& registry, CallbackRuleFunctions& rules)
{
    registry.AddDirect("setCallFunctionInfo", [&rules](const ReadArguments& a) {
        rules.SetCallFunctionInfo(a.text);
        return std::string();
    });
    registry.AddDirect("getCallFunctionInfo",
                       [&rules](const ReadArguments& a) { return rules.GetCallFunctionInfo(a.text); });
}

} // namespace zym
