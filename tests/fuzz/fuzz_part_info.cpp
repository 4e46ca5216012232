// An upload's part-info file as read back after a restart: any bytes. Its records seed the part
// queue of the upload's layout; whatever they say, the queue must then hold only parts of that
// layout with the ETags a confirmation stores, send exactly the other parts, and end with the
// whole file confirmed. The records also decide the multipart checksum a completed upload is
// recognised by.
#include "fuzz_check.h"
#include "transfer/upload_completion.h"
#include "transfer/upload_part_info.h"
#include "transfer/upload_part_queue.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr std::int64_t kBlock = 5242880;

bool SameRecords(const std::vector<zym::PartRecord>& a, const std::vector<zym::PartRecord>& b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](const auto& x, const auto& y) {
        return x.number == y.number && x.start == y.start && x.length == y.length && x.etag == y.etag;
    });
}

bool StoredEtag(const std::string& etag)
{
    return etag.size() == zym::kPartEtagSize && etag.front() == '"' && etag.back() == '"' &&
           std::all_of(etag.begin() + 1, etag.end() - 1,
                       [](char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'); });
}

void CheckSeeded(const std::vector<zym::PartRecord>& records, std::int64_t fileSize, std::int64_t block)
{
    zym::UploadPartQueue queue(fileSize, block, true);
    queue.Seed(records);
    const std::size_t count = queue.PartCount();

    const std::vector<zym::PartRecord> confirmed = queue.Confirmed();
    FUZZ_CHECK(confirmed.size() <= records.size());
    std::set<std::int32_t> numbers;
    std::int64_t bytes = 0;
    for (const zym::PartRecord& r : confirmed) {
        FUZZ_CHECK(r.number >= 1 && static_cast<std::size_t>(r.number) <= count);
        FUZZ_CHECK(numbers.insert(r.number).second);
        const std::int64_t start = (r.number - 1) * block;
        FUZZ_CHECK(r.start == start && r.length == std::min(block, fileSize - start));
        FUZZ_CHECK(StoredEtag(r.etag));
        bytes += r.length;
    }
    FUZZ_CHECK(queue.ConfirmedBytes() == bytes && bytes <= fileSize);
    if (!confirmed.empty()) {
        const std::string sum = zym::MultipartEtag(confirmed);
        FUZZ_CHECK(sum.size() >= 36 && sum.ends_with("-" + std::to_string(confirmed.size()) + "\""));
    }

    // Exactly the parts not confirmed are sent, each once; then the whole file is confirmed.
    std::vector<zym::PartJob> sent;
    while (sent.size() < count - confirmed.size()) {
        const auto part = queue.Take();
        FUZZ_CHECK(part.has_value());
        FUZZ_CHECK(!numbers.contains(part->number));
        sent.push_back(*part);
    }
    for (const zym::PartJob& part : sent) {
        queue.Confirm(part, "\"" + std::string(32, 'E') + "\"");
    }
    FUZZ_CHECK(!queue.Take().has_value());
    FUZZ_CHECK(queue.AllConfirmed());
    FUZZ_CHECK(queue.ConfirmedBytes() == fileSize);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const std::vector<zym::PartRecord> records = zym::DecodePartInfo(bytes);
    FUZZ_CHECK(records.size() == (size % zym::kPartRecordSize == 0 ? size / zym::kPartRecordSize : 0));
    // What is read is written back the same way (an ETag field ends at its first null byte).
    const std::string encoded = zym::EncodePartInfo(records);
    FUZZ_CHECK(encoded.size() == records.size() * zym::kPartRecordSize);
    FUZZ_CHECK(SameRecords(zym::DecodePartInfo(encoded), records));

    // The layout the program uses, and one that the first record's own part size describes
    // (so that records can match it), capped at 1,000 parts.
    CheckSeeded(records, 3 * kBlock - 7, kBlock);
    if (!records.empty() && records.front().length > 0) {
        const std::int64_t block = std::min<std::int64_t>(records.front().length, std::int64_t{1} << 40);
        std::int64_t end = 0;
        for (const zym::PartRecord& r : records) {
            if (r.start >= 0 && r.length > 0 && r.start <= (std::int64_t{1} << 50) &&
                r.length <= (std::int64_t{1} << 50)) {
                end = std::max(end, r.start + r.length);
            }
        }
        CheckSeeded(records, std::min(end, 1000 * block), block);
    }
    return 0;
}
