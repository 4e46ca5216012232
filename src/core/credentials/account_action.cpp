#include "credentials/account_action.h"

#include "platform/json_text.h"
#include "store/user_database.h"

#include <cjson/cJSON.h>
#include <memory>

namespace zym {
namespace {

using JsonPtr = std::unique_ptr<cJSON, decltype(&cJSON_Delete)>;

void AddText(cJSON* object, const char* name, const std::string& value)
{
    cJSON_AddItemToObject(object, name, cJSON_CreateString(value.c_str()));
}

// 64-bit values printed exactly (a double would round beyond 2^53).
void AddNumber(cJSON* object, const char* name, std::int64_t value)
{
    cJSON_AddItemToObject(object, name, cJSON_CreateRaw(std::to_string(value).c_str()));
}

cJSON* SubKeyJson(const SubKeyRecord& r)
{
    cJSON* o = cJSON_CreateObject();
    AddText(o, "keyid", r.keyid);
    AddText(o, "subkeyid", r.subkeyid);
    AddText(o, "subsecret", r.subsecret);
    AddNumber(o, "createtime", r.createtime);
    return o;
}

cJSON* TokenJson(const TokenRecord& r)
{
    cJSON* o = cJSON_CreateObject();
    AddText(o, "keyid", r.keyid);
    AddText(o, "subkeyid", r.subkeyid);
    AddText(o, "token", r.token);
    AddText(o, "stskeyid", r.stskeyid);
    AddText(o, "stssecret", r.stssecret);
    AddNumber(o, "createtime", r.createtime);
    AddNumber(o, "expiretime", r.expiretime);
    return o;
}

std::string Print(cJSON* item)
{
    JsonPtr owner(item, cJSON_Delete);
    char* text = cJSON_PrintUnformatted(item);
    if (!text) {
        return "{}";
    }
    std::string out(text);
    cJSON_free(text);
    return out;
}

template <typename Record, typename ToJson>
std::string ListJson(const std::vector<Record>& records, ToJson toJson)
{
    cJSON* root = cJSON_CreateObject();
    cJSON* list = cJSON_AddArrayToObject(root, "list");
    for (const Record& r : records) {
        cJSON_AddItemToArray(list, toJson(r));
    }
    return Print(root);
}

std::string Text(const JsonArgs& args, const char* name)
{
    return args.Text(name).value_or("");
}

} // namespace

std::string AccountAction(CUserDatabase& db, std::string_view action, std::string_view argument,
                          const std::string& accessId, std::int64_t now)
{
    const std::string empty = "{}";
    if (action == "getrams") {
        return ListJson(db.ListSubKeys(), SubKeyJson);
    }
    if (action == "getstss") {
        return ListJson(db.ListTokens(), TokenJson);
    }
    if (action != "addram" && action != "delram" && action != "getram" && action != "addsts" &&
        action != "delsts" && action != "getsts") {
        return empty;
    }
    const std::optional<JsonArgs> args = JsonArgs::Parse(argument);
    if (!args) {
        return empty;
    }
    if (action == "addram") {
        db.SaveSubKey({accessId, Text(*args, "subkeyid"), Text(*args, "subsecret"), now});
    } else if (action == "delram") {
        db.DeleteSubKey(Text(*args, "subkeyid"));
    } else if (action == "getram") {
        SubKeyRecord r;
        if (db.GetSubKey(Text(*args, "subkeyid"), r)) {
            return Print(SubKeyJson(r));
        }
    } else if (action == "addsts") {
        db.SaveToken({accessId, Text(*args, "subkeyid"), Text(*args, "token"), Text(*args, "stskeyid"),
                      Text(*args, "stssecret"), now, args->Int("expiretime").value_or(0)});
    } else if (action == "delsts") {
        db.DeleteToken(Text(*args, "stskeyid"));
    } else if (action == "getsts") {
        TokenRecord r;
        if (db.GetToken(Text(*args, "stskeyid"), r)) {
            return Print(TokenJson(r));
        }
    }
    return empty;
}

} // namespace zym
