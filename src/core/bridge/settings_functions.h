#pragma once
// The page functions that show or change settings: getTransInfo, setTransInfo, gGetLanguage,
// gChangeLanguage, getDefaultContentDisposition, setDefaultContentDisposition, getUIPath.
// Each takes the call's argument text and returns the answer value; the bridge formats it by
// the function's answer kind (getUIPath's value is quoted there).
#include <atomic>
#include <string>
#include <string_view>

namespace zym {

class LanguageDocument;
class SettingsStore;
struct AppFolders;
struct PageSession;

// The running transfer managers' limits, changed at once by setTransInfo.
class TransferLimits
{
public:
    virtual ~TransferLimits() = default;
    virtual void SetDownloadTaskMax(int value) = 0;
    virtual void SetUploadTaskMax(int value) = 0;
    virtual void SetDownloadPeerMax(int value) = 0;
    virtual void SetUploadPeerMax(int value) = 0;
};

class SettingsFunctions
{
public:
    // folders supply the install folder (language files, default UI folder); page keeps the
    // running copies of the language number and the default disposition.
    SettingsFunctions(SettingsStore& store, LanguageDocument& language, const AppFolders& folders,
                      PageSession& page);

    // The transfer managers once they run (nullptr before start and after stop); until then
    // setTransInfo only stores the limits, which the managers read when they start.
    void SetTransferLimits(TransferLimits* limits) { transfers_.store(limits); }

    // {"download_task_max":D,"download_peer_max":P,"upload_task_max":U,"upload_peer_max":Q}
    std::string GetTransInfo() const;
    // Stores and applies each of the four members that is greater than 0.
    void SetTransInfo(std::string_view argument);
    // {"type":N}
    std::string GetLanguage() const;
    // Stores "type" (0 when missing or not JSON), updates the page session and reloads the
    // language document from that language's file (an unknown number empties it).
    void ChangeLanguage(std::string_view argument);
    // {"default":N}
    std::string GetDefaultContentDisposition() const;
    // Stores "default" (0 when missing or not JSON) and updates the page session.
    void SetDefaultContentDisposition(std::string_view argument);
    // The UI folder (the UIPath setting, else the install folder's UI folder), JSON-escaped.
    std::string GetUIPath() const;

private:
    SettingsStore& store_;
    LanguageDocument& language_;
    const AppFolders& folders_;
    PageSession& page_;
    std::atomic<TransferLimits*> transfers_{nullptr};
};

} // namespace zym
