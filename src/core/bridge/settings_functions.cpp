#include "bridge/settings_functions.h"

#include "app/app_folders.h"
#include "app/language_document.h"
#include "app/page_session.h"
#include "app/settings_store.h"
#include "platform/json_text.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>

namespace zym {
namespace {

// An integer member as a page's number reads into an int (saturating at the int range); 0 when
// the member is missing, not a number, or the text is not JSON.
int IntMember(const std::optional<JsonArgs>& args, const char* name)
{
    if (!args) {
        return 0;
    }
    const std::int64_t v = args->Int(name).value_or(0);
    return static_cast<int>(std::clamp<std::int64_t>(v, INT32_MIN, INT32_MAX));
}

} // namespace

SettingsFunctions::SettingsFunctions(SettingsStore& store, LanguageDocument& language,
                                     const AppFolders& folders, PageSession& page)
    : store_(store), language_(language), folders_(folders), page_(page)
{}

std::string SettingsFunctions::GetTransInfo() const
{
    char buf[160];
    std::snprintf(
        buf, sizeof buf,
        "{\"download_task_max\":%d,\"download_peer_max\":%d,\"upload_task_max\":%d,\"upload_peer_max\":%d}",
        store_.DownloadMax(), store_.DownloadPeerMax(), store_.UploadMax(), store_.UploadPeerMax());
    return buf;
}

void SettingsFunctions::SetTransInfo(std::string_view argument)
{
    const auto args = JsonArgs::Parse(argument);
    if (!args) {
        return;
    }
    struct Member
    {
        const char* json;
        const char* setting;
        void (TransferLimits::*apply)(int);
    };
    const Member members[] = {
        {"download_task_max", setting::kDownloadMax, &TransferLimits::SetDownloadTaskMax},
        {"upload_task_max", setting::kUploadMax, &TransferLimits::SetUploadTaskMax},
        {"download_peer_max", setting::kDownloadPeerMax, &TransferLimits::SetDownloadPeerMax},
        {"upload_peer_max", setting::kUploadPeerMax, &TransferLimits::SetUploadPeerMax},
    };
    for (const Member& m : members) {
        const int value = IntMember(args, m.json);
        if (value <= 0) {
            continue; // missing, 0 or negative members change nothing
        }
        store_.WriteInt(m.setting, static_cast<std::uint32_t>(value));
        if (TransferLimits* limits = transfers_.load()) {
            (limits->*m.apply)(value);
        }
    }
}

std::string SettingsFunctions::GetLanguage() const
{
    return "{\"type\":" + std::to_string(store_.Language()) + "}";
}

void SettingsFunctions::ChangeLanguage(std::string_view argument)
{
    const int number = IntMember(JsonArgs::Parse(argument), "type");
    store_.WriteInt(setting::kLanguage, static_cast<std::uint32_t>(number));
    page_.language.store(number);
    language_.Load(LanguageFilePath(folders_.installFolder, number));
}

std::string SettingsFunctions::GetDefaultContentDisposition() const
{
    return "{\"default\":" + std::to_string(store_.Disposition()) + "}";
}

void SettingsFunctions::SetDefaultContentDisposition(std::string_view argument)
{
    const int value = IntMember(JsonArgs::Parse(argument), "default");
    page_.defaultDisposition.store(value);
    store_.WriteInt(setting::kDisposition, static_cast<std::uint32_t>(value));
}

std::string SettingsFunctions::GetUIPath() const
{
    std::string folder = store_.UIPath();
    if (folder.empty()) {
        folder = folders_.defaultUiFolder.empty() ? folders_.installFolder + "/UI" : folders_.defaultUiFolder;
    }
    return JsonEscape(folder);
}

} // namespace zym
