#pragma once
// The program's settings: named, typed values (DWORD or text) in one settings file
// ($XDG_CONFIG_HOME/ZymClient/settings.reg), read again on every use so that another program's
// edit counts at the next read.
//
// Writes read the current file, change one value and replace the file atomically (temporary
// file + rename), under the process-wide settings lock and an advisory lock on a separate lock
// file, so neither two processes nor a crash leave a torn or half-merged file. A file that is
// not a readable settings file reads as if it held no values; before it is rewritten it is kept
// beside the original under the name "<file>.damaged-<n>".
#include "app/settings_file.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace zym {

// The values the program reads and their text names.
namespace setting {
inline constexpr const char* kHttps = "Https";
inline constexpr const char* kDownloadMax = "DownloadMax";
inline constexpr const char* kUploadMax = "UploadMax";
inline constexpr const char* kDownloadPeerMax = "DownloadPeerMax";
inline constexpr const char* kUploadPeerMax = "UploadPeerMax";
inline constexpr const char* kLog = "Log";
inline constexpr const char* kStartKey = "StartKey";
inline constexpr const char* kUIPath = "UIPath";
inline constexpr const char* kUIDebug = "UIDebug";
inline constexpr const char* kProxy = "Proxy";
inline constexpr const char* kHardware = "Hardware";
inline constexpr const char* kSavePath = "SavePath";
inline constexpr const char* kUploadPath = "UploadPath";
inline constexpr const char* kLanguage = "Language";
inline constexpr const char* kDisposition = "Disposition";
inline constexpr const char* kInstallLanguage = "InstallLanguage";
// Not written by default: a text naming another service domain suffix (tests, local service).
inline constexpr const char* kServiceDomain = "ServiceDomain";
// Not written by default: another update server's base address (tests, the local update server).
inline constexpr const char* kUpdateBase = "UpdateBase";
} // namespace setting

// Longest text value, in UTF-16 code units (the terminator makes 255).
inline constexpr std::size_t kMaxSettingText = 254;

class SettingsStore
{
public:
    // path: the settings file; empty means ConfigFolder() + "/settings.reg".
    explicit SettingsStore(std::string path = {});

    const std::string& Path() const { return path_; }

    // True when the value exists (of any type) in a readable settings file.
    bool Exists(std::string_view name) const;
    // The DWORD value; the default when the value is missing or not a DWORD.
    std::uint32_t ReadInt(std::string_view name, std::uint32_t def) const;
    // The text of a text value that fits in 254 UTF-16 units; the default otherwise.
    std::string ReadText(std::string_view name, std::string_view def) const;
    bool WriteInt(std::string_view name, std::uint32_t value);
    // Refuses (false, nothing written) a text longer than 254 UTF-16 units or holding a null.
    bool WriteText(std::string_view name, std::string_view text);

    // Writes each of the 15 defaults that does not exist yet, then sets Language from
    // InstallLanguage when the installer left one (at every start).
    void EnsureDefaults();

    // Typed readers. The four transfer limits read 5 when missing or 0.
    int DownloadMax() const;
    int UploadMax() const;
    int DownloadPeerMax() const;
    int UploadPeerMax() const;
    int Language() const;
    int Disposition() const;
    int UIDebug() const;
    int Hardware() const;
    int Proxy() const;
    std::string UIPath() const;
    std::string SavePath() const;
    std::string UploadPath() const;
    // "" means the build's default service domain suffix.
    std::string ServiceDomain() const;
    // The update server's base address: the UpdateBase value, else the build's default.
    std::string UpdateBase() const;

    // The language number to start with: Language, or when it is 0 the system's interface
    // language (a Windows language id, see SystemLanguageId): Chinese 1028/2052 give 1, any
    // other gives 2.
    int StartupLanguage(std::uint32_t systemLanguageId) const;

private:
    int Limit(const char* name) const;
    // The file's values: nullopt when it is missing (no values) or damaged (read as none).
    std::optional<SettingsFile> Load() const;
    // Under both locks: reads the file (a damaged one is kept aside and replaced by an empty
    // one), lets change edit it and, when change returns true, replaces the file atomically.
    // False when the file could not be written.
    template <typename Change> bool Update(Change&& change);
    bool Write(std::string_view name, const SettingValue& value);

    std::string path_;
};

// Language number of an installer's Windows language id: 2052 → 1, 1033 → 2, 1028 → 3,
// 1042 → 4, anything else → 1.
int LanguageFromInstallId(std::uint32_t id);

// Windows language id of a POSIX locale name (LC_ALL/LC_MESSAGES/LANG form, e.g. "zh_CN.UTF-8"):
// zh_TW/zh_HK/zh_MO/zh_Hant → 1028, other zh → 2052, ko → 1042, anything else → 1033.
std::uint32_t SystemLanguageId(std::string_view locale);

} // namespace zym
