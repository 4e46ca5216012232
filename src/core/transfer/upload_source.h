#pragma once
// The identity of an upload's source file at the start of the task. Checked again whenever a
// connection has read the last byte of a part and before the upload is completed, so a file that
// was deleted, replaced, grown or rewritten meanwhile fails the task instead of storing an object
// made of two versions.
#include <cstdint>
#include <string>

namespace zym {

struct SourceState
{
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::int64_t size = 0;
    std::int64_t mtimeNs = 0;
};

enum class SourceCheck
{
    Same,
    Vanished, // no longer linked into any folder
    Changed,  // other size or modification time
};

// Fills state from an open descriptor; false with errno set when it cannot be read.
bool ReadSourceState(int fd, SourceState& state);
// Compares the descriptor's file with the state taken at the start.
SourceCheck CheckSource(int fd, const SourceState& start);
// The path must still name the same file (a rename over it or a deletion is a change).
SourceCheck CheckSourcePath(const std::string& path, const SourceState& start);

// The task's texts for the two failures (code 2, a file error).
std::string SourceVanishedText(const std::string& path);
std::string SourceChangedText(const std::string& path, std::int64_t expected, std::int64_t now);

} // namespace zym
