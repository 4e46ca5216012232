#include "ops/transfer_control_task.h"

#include "app/log.h"
#include "platform/json_text.h"
#include "ops/transfer_selection.h"
#include "service/error_text.h"
#include "service/failure_reply.h"
#include "transfer/transfer_engine.h"

#include <array>
#include <cjson/cJSON.h>
#include <memory>

namespace zym {

namespace {

using ObjectList = std::vector<std::pair<std::string, std::string>>;

std::vector<std::string> Paths(const TransferSelection& selection)
{
    std::vector<std::string> paths;
    paths.reserve(selection.items.size());
    for (const SelectionItem& item : selection.items) {
        paths.push_back(item.fullpath);
    }
    return paths;
}

ObjectList Objects(const TransferSelection& selection)
{
    ObjectList objects;
    objects.reserve(selection.items.size());
    for (const SelectionItem& item : selection.items) {
        objects.emplace_back(item.bucket, item.object);
    }
    return objects;
}

void RunTransferAction(std::string_view action, const TransferSelection& s, CTransferEngine& engine)
{
    if (action == "startUpload") {
        s.all ? engine.StartEveryUpload() : engine.StartUploadItems(Objects(s));
    } else if (action == "startDownload") {
        s.all ? engine.StartEveryDownload() : engine.StartDownloadItems(Paths(s));
    } else if (action == "stopUpload") {
        s.all ? engine.StopEveryUpload() : engine.StopUploadItems(Objects(s));
    } else if (action == "stopDownload") {
        s.all ? engine.StopEveryDownload() : engine.StopDownloadItems(Paths(s));
    } else if (action == "deleteUpload") {
        if (!s.all) {
            engine.DeleteUploadItems(Objects(s));
        } else if (s.finish) {
            engine.Database().DeleteFinishedUploads();
        } else {
            engine.DeleteEveryUpload();
        }
    } else if (action == "deleteDownload") {
        if (!s.all) {
            engine.DeleteDownloadItems(Paths(s));
        } else if (s.finish) {
            engine.Database().DeleteFinishedDownloads();
        } else {
            engine.DeleteEveryDownload();
        }
    }
}

std::string Prompt(const ControlServices& services, std::string_view word)
{
    return services.promptText ? services.promptText(word) : std::string();
}

std::string SetMetaObject(std::string_view argument, const ControlServices& services)
{
    std::unique_ptr<cJSON, decltype(&cJSON_Delete)> json(
        cJSON_ParseWithLength(argument.data(), argument.size()), &cJSON_Delete);
    if (!json || !cJSON_IsObject(json.get())) {
        return ReplyText(kErrorJson, Prompt(services, AppErrorWord(kErrorJson)));
    }
    std::string bucket, object, location;
    HeaderList headers;
    for (const cJSON* m = json->child; m != nullptr; m = m->next) {
        const std::string_view key = m->string != nullptr ? m->string : "";
        if (key == "bucket" && cJSON_IsString(m)) {
            bucket = m->valuestring;
        } else if (key == "object" && cJSON_IsString(m)) {
            object = m->valuestring;
        } else if (key == "location" && cJSON_IsString(m)) {
            location = m->valuestring;
        } else if (key == "canonicalized_zym_headers" && cJSON_IsObject(m)) {
            headers.clear(); // a repeated member: the later one wins
            for (const cJSON* h = m->child; h != nullptr; h = h->next) {
                if (h->string != nullptr && h->string[0] != '\0' && cJSON_IsString(h) &&
                    h->valuestring[0] != '\0') {
                    headers.emplace_back(h->string, h->valuestring);
                }
            }
        }
    }
    CZymCopyRet reply;
    const ServiceCall call = services.callFor ? services.callFor(location) : ServiceCall{};
    if (ReplaceObjectHeaders(call, bucket, object, reply, headers)) {
        return std::string(kSuccessReply);
    }
    // The page shows the message as it stands, so it names the operation before the cause.
    const std::string operation = Prompt(services, "ChangeError");
    const int language = services.language ? services.language() : 0;
    const std::string failure = FailureReply(reply, operation, object, language,
                                             services.log != nullptr ? *services.log : ProcessLog());
    const auto parsed = JsonArgs::Parse(failure);
    const int code = static_cast<int>(parsed ? parsed->Int("error").value_or(kErrorService) : kErrorService);
    const std::string cause = parsed ? parsed->Text("message").value_or("") : "";
    return ReplyText(code, cause.empty() ? operation : operation + " (" + cause + ")");
}

} // namespace

bool IsControlAction(std::string_view action)
{
    static constexpr std::array<std::string_view, 7> kActions = {
        "startUpload",  "startDownload",  "stopUpload",   "stopDownload",
        "deleteUpload", "deleteDownload", "setMetaObject"};
    for (std::string_view known : kActions) {
        if (known == action) {
            return true;
        }
    }
    return false;
}

std::string RunControlAction(std::string_view action, std::string_view argument,
                             const ControlServices& services)
{
    if (!IsControlAction(action)) {
        return "";
    }
    if (action == "setMetaObject") {
        return SetMetaObject(argument, services);
    }
    if (services.engine != nullptr) {
        RunTransferAction(action, ParseTransferSelection(argument), *services.engine);
    }
    return std::string(kSuccessReply);
}

} // namespace zym
