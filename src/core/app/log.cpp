#include "app/log.h"

#include "platform/folders.h"
#include "platform/json_text.h"
#include "platform/write_all.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>
#include <utility>

namespace zym {
namespace {

std::string FormatLocal(std::time_t when, const char* format)
{
    std::tm tm{};
    char buf[128];
    if (localtime_r(&when, &tm) == nullptr) {
        return {};
    }
    const std::size_t n = std::strftime(buf, sizeof buf, format, &tm);
    return std::string(buf, n);
}

} // namespace

Log::Log() : Log([] { return std::time(nullptr); }) {}

Log::Log(Clock clock) : clock_(std::move(clock)) {}

std::string Log::Stamp() const
{
    return FormatLocal(clock_(), "[%y-%m-%d %H:%M:%S]");
}

bool Log::OpenLog(const std::string& folder)
{
    const std::string date = FormatLocal(clock_(), "%y-%m-%d");
    const std::string path = folder + "/" + date + ".log";
    UniqueFd file;
    if (MakeFolders(folder)) {
        // O_APPEND: every line lands at the end even when another instance writes the same file.
        file.reset(::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644));
    }
    const bool open = file.valid();
    std::lock_guard<std::mutex> lock(mutex_);
    file_ = std::move(file);
    path_ = open ? path : std::string();
    if (open) {
        for (const std::string& line : held_) {
            WriteAll(file_.get(), line);
        }
        held_.clear();
    }
    everOpened_ = everOpened_ || open;
    return open;
}

void Log::WriteLog(std::string_view message, bool keep)
{
    // The stamp is taken before the lock, as every writer does; lines may be a moment out of order.
    std::string line = Stamp();
    line += ':';
    line += message;
    line += "\r\n";
    std::lock_guard<std::mutex> lock(mutex_);
    if (file_) {
        WriteAll(file_.get(), line);
    } else if (!everOpened_) {
        held_.push_back(line);
        if (held_.size() > kMaxHeld) {
            held_.pop_front();
        }
    }
    if (keep) {
        kept_.push_back(std::move(line));
        if (kept_.size() > kMaxKept) {
            kept_.pop_front();
        }
    }
}

std::string Log::GetErrorLog() const
{
    std::string out = "{\"list\":[";
    std::lock_guard<std::mutex> lock(mutex_);
    bool first = true;
    for (const auto& entry : kept_) {
        if (!first) {
            out += ',';
        }
        first = false;
        out += "{\"msg\":\"";
        out += JsonEscape(entry);
        out += "\"}";
    }
    out += "]}";
    return out;
}

void Log::CloseLog()
{
    std::lock_guard lock(mutex_);
    file_ = UniqueFd();
    everOpened_ = true; // nothing is held for a file that will not open again
    held_.clear();
}

std::string Log::FilePath() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return path_;
}

Log& ProcessLog()
{
    static Log log;
    return log;
}

} // namespace zym
