#pragma once
// The files one download keeps beside its target while it runs: the data file
// (target + ".zymdownload", the object's bytes at their own offsets) and the progress file
// (target + ".zymdownload.tmp", the stored ranges as text), which is replaced whole through a
// third name so a crash leaves either the old record or the new one.
#include "transfer/range_list.h"

#include <string>

namespace zym {

inline constexpr const char* kDownloadSuffix = ".zymdownload";

inline std::string DataFilePath(const std::string& fullpath)
{
    return fullpath + kDownloadSuffix;
}
inline std::string ProgressFilePath(const std::string& fullpath)
{
    return fullpath + kDownloadSuffix + ".tmp";
}
// Where a new progress text is written before it is renamed over the progress file.
inline std::string ProgressScratchPath(const std::string& fullpath)
{
    return fullpath + kDownloadSuffix + ".tmp.new";
}

// Replaces the progress file with the text of `stored`: scratch file, then rename. False (the
// old file untouched) when the scratch file cannot be written.
bool SaveProgressFile(const std::string& fullpath, const RangeList& stored);

enum class ProgressRead
{
    Missing,    // no progress file: nothing stored yet
    Loaded,     // read completely
    Damaged,    // read, but not a text this program writes (cut off, overwritten): nothing stored
    Unreadable, // exists but cannot be read
};
ProgressRead LoadProgressFile(const std::string& fullpath, RangeList& stored);

// Deletes the data file, every file named target + ".zymdownload.*" (the progress file and
// its scratch file among them, and part files an older version left), never folders.
void DeleteTempFiles(const std::string& fullpath);

// Creates the folders of `path` (everything before the last "/") with missing parents.
bool CreateParentFolders(const std::string& path);

} // namespace zym
