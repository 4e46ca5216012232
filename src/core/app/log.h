#pragma once
// The program's log: one UTF-8 file per day of program start ("<folder>/%y-%m-%d.log", lines
// "[%y-%m-%d %H:%M:%S]:message\r\n"), and a short list of the most recent important lines that
// the page fetches as JSON. Any thread may write; one lock keeps each line's file write and list
// update together, so lines never interleave.
#include "platform/unique_fd.h"

#include <cstddef>
#include <ctime>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>

namespace zym {

class Log
{
public:
    // Seconds since 1970; tests pass a fixed clock.
    using Clock = std::function<std::time_t()>;
    static constexpr std::size_t kMaxKept = 500;
    static constexpr std::size_t kMaxHeld = 200;

    Log();
    explicit Log(Clock clock);
    Log(const Log&) = delete;
    Log& operator=(const Log&) = delete;

    // Creates the folder (and missing parents) and opens the file named after today's local date
    // for appending, never truncating. The file is kept for the whole run, also past midnight.
    // Lines written before the first open (the recoveries of the start) are held and written
    // to the file first. False when the folder or file cannot be made; the log then keeps only
    // the list.
    bool OpenLog(const std::string& folder);

    // Appends the stamped line to the file (when open; held for it until the first open, at most
    // kMaxHeld lines) and, with `keep`, to the kept list, which
    // drops its oldest line beyond kMaxKept. Write failures are ignored: logging never fails a caller.
    void WriteLog(std::string_view message, bool keep);

    // {"list":[{"msg":"..."},...]}, oldest first, each line JSON-escaped with its stamp and line end.
    std::string GetErrorLog() const;

    // Closes the file at the end of the run; later lines reach only the kept list.
    void CloseLog();

    // The open file's path, or empty.
    std::string FilePath() const;

private:
    std::string Stamp() const;

    Clock clock_;
    mutable std::mutex mutex_;
    UniqueFd file_;
    std::string path_;
    std::deque<std::string> kept_;
    std::deque<std::string> held_; // lines written before the first open
    bool everOpened_ = false;
};

// The program's one log, created on first use. Parts of core that log take a Log& where they can,
// so that tests give them their own instance.
Log& ProcessLog();

} // namespace zym
