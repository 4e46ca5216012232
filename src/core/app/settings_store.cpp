#include "app/settings_store.h"

#include "platform/folders.h"
#include "platform/utf16.h"
#include "platform/write_all.h"

#include <cerrno>
#include <fcntl.h>
#include <mutex>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zym {
namespace {

// settingsLock: serialises every settings access of the process.
std::mutex& SettingsLock()
{
    static std::mutex lock;
    return lock;
}

class Fd
{
public:
    explicit Fd(int fd = -1) : fd_(fd) {}
    ~Fd()
    {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }
    // Closes now and reports whether the close (the last chance for a write error) succeeded.
    bool Close()
    {
        const int fd = fd_;
        fd_ = -1;
        return fd < 0 || ::close(fd) == 0;
    }

private:
    int fd_;
};

enum class ReadResult
{
    Ok,
    Missing,
    Failed
};

ReadResult ReadWhole(const std::string& path, std::string& out)
{
    out.clear();
    Fd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.get() < 0) {
        return errno == ENOENT ? ReadResult::Missing : ReadResult::Failed;
    }
    char buf[8192];
    for (;;) {
        const ssize_t n = ::read(fd.get(), buf, sizeof buf);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            return ReadResult::Failed;
        }
        if (n == 0) {
            return ReadResult::Ok;
        }
        out.append(buf, static_cast<std::size_t>(n));
    }
}

// Writes the whole text to a new file beside path and renames it over path.
bool ReplaceFile(const std::string& path, const std::string& text)
{
    std::string temp = path + ".XXXXXX";
    Fd fd(::mkostemp(temp.data(), O_CLOEXEC));
    if (fd.get() < 0) {
        return false;
    }
    // Flushed before the rename so that a crash leaves the old file or the whole new one.
    const bool ok = WriteAll(fd.get(), text) && ::fsync(fd.get()) == 0 && fd.Close() &&
                    ::rename(temp.c_str(), path.c_str()) == 0;
    if (!ok) {
        ::unlink(temp.c_str());
    }
    return ok;
}

// Moves a damaged file to the first free "<path>.damaged-<n>" so that it is never lost.
bool KeepAside(const std::string& path)
{
    for (int n = 1; n < 10000; ++n) {
        const std::string aside = path + ".damaged-" + std::to_string(n);
        struct stat st;
        if (::lstat(aside.c_str(), &st) != 0 && errno == ENOENT) {
            return ::rename(path.c_str(), aside.c_str()) == 0;
        }
    }
    return false;
}

std::string FolderOf(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

struct Default
{
    const char* name;
    bool text;
    std::uint32_t number;
};

// The values written at the first start, in this order.
constexpr Default kDefaults[] = {
    {setting::kHttps, false, 0},         {setting::kDownloadMax, false, 5},
    {setting::kUploadMax, false, 5},     {setting::kDownloadPeerMax, false, 5},
    {setting::kUploadPeerMax, false, 5}, {setting::kLog, false, 0},
    {setting::kStartKey, true, 0},       {setting::kUIPath, true, 0},
    {setting::kUIDebug, false, 0},       {setting::kProxy, false, 0},
    {setting::kHardware, false, 0},      {setting::kSavePath, true, 0},
    {setting::kUploadPath, true, 0},     {setting::kLanguage, false, 1},
    {setting::kDisposition, false, 0},
};

} // namespace

SettingsStore::SettingsStore(std::string path) : path_(path.empty() ? ConfigFolder() + "/settings.reg" : path)
{}

std::optional<SettingsFile> SettingsStore::Load() const
{
    std::string bytes;
    if (ReadWhole(path_, bytes) != ReadResult::Ok) {
        return std::nullopt;
    }
    return SettingsFile::Parse(bytes);
}

template <typename Change> bool SettingsStore::Update(Change&& change)
{
    std::lock_guard<std::mutex> guard(SettingsLock());
    MakeFolders(FolderOf(path_));
    Fd lock(::open((path_ + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600));
    if (lock.get() < 0) {
        return false;
    }
    while (::flock(lock.get(), LOCK_EX) != 0) {
        if (errno != EINTR) {
            return false;
        }
    }
    // The lock is released when the descriptor closes.

    std::string bytes;
    const ReadResult read = ReadWhole(path_, bytes);
    std::optional<SettingsFile> file;
    if (read == ReadResult::Ok) {
        file = SettingsFile::Parse(bytes);
    }
    if (read != ReadResult::Missing && !file) {
        if (!KeepAside(path_)) {
            return false;
        }
    }
    if (!file) {
        file.emplace();
    }
    if (!change(*file)) {
        return true;
    }
    return ReplaceFile(path_, file->Serialize());
}

bool SettingsStore::Write(std::string_view name, const SettingValue& value)
{
    return Update([&](SettingsFile& file) {
        file.Set(name, value);
        return true;
    });
}

bool SettingsStore::Exists(std::string_view name) const
{
    std::lock_guard<std::mutex> guard(SettingsLock());
    const auto file = Load();
    return file && file->Find(name) != nullptr;
}

std::uint32_t SettingsStore::ReadInt(std::string_view name, std::uint32_t def) const
{
    std::lock_guard<std::mutex> guard(SettingsLock());
    const auto file = Load();
    const SettingValue* v = file ? file->Find(name) : nullptr;
    return (v != nullptr && v->type == SettingType::Dword) ? v->dword : def;
}

std::string SettingsStore::ReadText(std::string_view name, std::string_view def) const
{
    std::lock_guard<std::mutex> guard(SettingsLock());
    const auto file = Load();
    const SettingValue* v = file ? file->Find(name) : nullptr;
    if (v == nullptr || (v->type != SettingType::Text && v->type != SettingType::ExpandText) ||
        Utf16Length(v->text) > kMaxSettingText) {
        return std::string(def);
    }
    return v->text;
}

bool SettingsStore::WriteInt(std::string_view name, std::uint32_t value)
{
    SettingValue v;
    v.type = SettingType::Dword;
    v.dword = value;
    return Write(name, v);
}

bool SettingsStore::WriteText(std::string_view name, std::string_view text)
{
    if (Utf16Length(text) > kMaxSettingText || text.find('\0') != std::string_view::npos) {
        return false;
    }
    SettingValue v;
    v.type = SettingType::Text;
    v.text = std::string(text);
    return Write(name, v);
}

void SettingsStore::EnsureDefaults()
{
    // One read and at most one replace for all of them: the result is that of writing each
    // missing value in turn.
    Update([](SettingsFile& file) {
        bool changed = false;
        for (const Default& d : kDefaults) {
            if (file.Find(d.name) != nullptr) {
                continue;
            }
            SettingValue v;
            v.type = d.text ? SettingType::Text : SettingType::Dword;
            v.dword = d.number;
            file.Set(d.name, v);
            changed = true;
        }
        if (const SettingValue* install = file.Find(setting::kInstallLanguage);
            install != nullptr && install->type == SettingType::Dword) {
            const auto language = static_cast<std::uint32_t>(LanguageFromInstallId(install->dword));
            const SettingValue* current = file.Find(setting::kLanguage);
            if (current == nullptr || current->type != SettingType::Dword || current->dword != language) {
                SettingValue v;
                v.type = SettingType::Dword;
                v.dword = language;
                file.Set(setting::kLanguage, v);
                changed = true;
            }
        }
        return changed;
    });
}

int SettingsStore::Limit(const char* name) const
{
    const std::uint32_t n = ReadInt(name, 5);
    return n == 0 ? 5 : static_cast<int>(n);
}

int SettingsStore::DownloadMax() const
{
    return Limit(setting::kDownloadMax);
}
int SettingsStore::UploadMax() const
{
    return Limit(setting::kUploadMax);
}
int SettingsStore::DownloadPeerMax() const
{
    return Limit(setting::kDownloadPeerMax);
}
int SettingsStore::UploadPeerMax() const
{
    return Limit(setting::kUploadPeerMax);
}
int SettingsStore::Language() const
{
    return static_cast<int>(ReadInt(setting::kLanguage, 1));
}
int SettingsStore::Disposition() const
{
    return static_cast<int>(ReadInt(setting::kDisposition, 0));
}
int SettingsStore::UIDebug() const
{
    return static_cast<int>(ReadInt(setting::kUIDebug, 0));
}
int SettingsStore::Hardware() const
{
    return static_cast<int>(ReadInt(setting::kHardware, 0));
}
int SettingsStore::Proxy() const
{
    return static_cast<int>(ReadInt(setting::kProxy, 0));
}
std::string SettingsStore::UIPath() const
{
    return ReadText(setting::kUIPath, "");
}
std::string SettingsStore::SavePath() const
{
    return ReadText(setting::kSavePath, "");
}
std::string SettingsStore::UploadPath() const
{
    return ReadText(setting::kUploadPath, "");
}
std::string SettingsStore::ServiceDomain() const
{
    return ReadText(setting::kServiceDomain, "");
}

std::string SettingsStore::UpdateBase() const
{
    const std::string base = ReadText(setting::kUpdateBase, "");
    return base.empty() ? std::string(ZYM_UPDATE_BASE_DEFAULT) : base;
}

int SettingsStore::StartupLanguage(std::uint32_t systemLanguageId) const
{
    const int n = Language();
    if (n != 0) {
        return n;
    }
    return (systemLanguageId == 1028 || systemLanguageId == 2052) ? 1 : 2;
}

int LanguageFromInstallId(std::uint32_t id)
{
    switch (id) {
    case 2052:
        return 1;
    case 1033:
        return 2;
    case 1028:
        return 3;
    case 1042:
        return 4;
    default:
        return 1;
    }
}

std::uint32_t SystemLanguageId(std::string_view locale)
{
    std::string l = AsciiLower(locale.substr(0, locale.find_first_of(".@")));
    for (char& c : l) {
        if (c == '-') {
            c = '_';
        }
    }
    if (l.rfind("zh", 0) == 0) {
        const bool traditional = l.rfind("zh_tw", 0) == 0 || l.rfind("zh_hk", 0) == 0 ||
                                 l.rfind("zh_mo", 0) == 0 || l.find("hant") != std::string::npos;
        return traditional ? 1028 : 2052;
    }
    if (l.rfind("ko", 0) == 0) {
        return 1042;
    }
    return 1033;
}

} // namespace zym
