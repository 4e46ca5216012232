#pragma once
// The part-info file of a multipart upload: one 54-byte record per part the service has
// confirmed (part number, start, length, ETag), so that a restart sends only the missing parts.
// It is replaced whole through a temporary file and a rename, so a crash leaves either the old
// or the new list, never a torn one.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zym {

struct PartRecord
{
    std::int32_t number = 0;
    std::int64_t start = 0;
    std::int64_t length = 0;
    std::string etag; // as confirmed: double quote, 32 upper-case hexadecimal digits, double quote
};

constexpr std::size_t kPartRecordSize = 54;
// WritePartInfo writes the new list to the file's name + this suffix and renames it over the file.
constexpr const char* kPartInfoScratchSuffix = ".tmp";
constexpr std::size_t kPartEtagSize = 34;

// The file name of an upload id's part-info file: the id, made safe for a file name ("/" and
// other characters outside [A-Za-z0-9._-] as %XX).
std::string PartInfoName(const std::string& uploadId);

// The records of the file; empty when it is missing, empty, or its length is not a multiple of
// the record size (then `cutOff`, when given, is set). False only when an existing file cannot
// be read.
bool ReadPartInfo(const std::string& path, std::vector<PartRecord>& records, bool* cutOff = nullptr);

// Replaces the file with these records (creating the folder). False on any write failure; the
// previous file then stays as it was.
bool WritePartInfo(const std::string& path, const std::vector<PartRecord>& records);

// Deletes the file and the scratch file a write killed before its rename left beside it.
void RemovePartInfo(const std::string& path);

// Packs records into the on-disk form (used by WritePartInfo and by tests that plant a file).
std::string EncodePartInfo(const std::vector<PartRecord>& records);

// The records of a file's bytes; empty when the length is not a multiple of the record size.
// Records are read as they stand: the part queue decides which of them fit the upload.
std::vector<PartRecord> DecodePartInfo(std::string_view bytes);

} // namespace zym
