#pragma once
// A set of byte offsets kept as sorted, non-overlapping closed intervals [first, last]. A
// download keeps two: the bytes stored in its file and the bytes no connection has taken yet.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zym {

struct ByteRange
{
    std::int64_t first = 0;
    std::int64_t last = 0; // inclusive
    std::int64_t Length() const { return last - first + 1; }
    bool operator==(const ByteRange&) const = default;
};

class RangeList
{
public:
    // Union; intervals that overlap or touch the new one merge with it.
    void Add(ByteRange range);
    // Removes those bytes, splitting an interval that contains them.
    void Subtract(ByteRange range);
    std::int64_t Total() const;
    // The interval with the fewest bytes (the first of equal ones).
    std::optional<ByteRange> Smallest() const;
    // End (exclusive) of the run of bytes that starts at offset 0; 0 when byte 0 is missing.
    std::int64_t PrefixEnd() const;
    const std::vector<ByteRange>& Intervals() const { return ranges_; }
    bool Empty() const { return ranges_.empty(); }
    void Clear() { ranges_.clear(); }

    // "first-last," per interval: the progress file's text.
    std::string ToText() const;
    // Reads that text: pieces split at ",", each at its first "-"; a piece that is not two
    // decimal numbers with last >= first >= 0 and last below the largest 64-bit number is skipped.
    static RangeList FromText(std::string_view text);

private:
    std::vector<ByteRange> ranges_;
};

} // namespace zym
