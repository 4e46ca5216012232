// The ranges of a download's progress file, as read back after a restart: any text. What is
// read must be a clean set (sorted, apart, within 0..max) that reads back the same from its own
// text, and the bookkeeping a download does with it (adding stored bytes, taking what
// connections claim) keeps it one.
#include "fuzz_check.h"
#include "transfer/range_list.h"

#include <cstddef>
#include <cstdint>
#include <limits>
#include <string_view>

namespace {

void CheckClean(const zym::RangeList& list)
{
    std::int64_t total = 0;
    const zym::ByteRange* previous = nullptr;
    for (const zym::ByteRange& r : list.Intervals()) {
        FUZZ_CHECK(r.first >= 0 && r.first <= r.last);
        if (previous != nullptr) {
            FUZZ_CHECK(previous->last < r.first - 1); // apart, not touching
        }
        FUZZ_CHECK(r.Length() > 0);
        FUZZ_CHECK(total <= std::numeric_limits<std::int64_t>::max() - r.Length());
        total += r.Length();
        previous = &r;
    }
    FUZZ_CHECK(list.Total() == total);
    const auto smallest = list.Smallest();
    FUZZ_CHECK(smallest.has_value() == !list.Empty());
    FUZZ_CHECK(list.PrefixEnd() >= 0);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    zym::RangeList list = zym::RangeList::FromText(text);
    CheckClean(list);
    FUZZ_CHECK(zym::RangeList::FromText(list.ToText()).Intervals() == list.Intervals());

    // Ranges of another list read from the same text, added and taken away in turn.
    const zym::RangeList other = zym::RangeList::FromText(text.substr(size / 2));
    zym::RangeList sum = list;
    for (const zym::ByteRange& r : other.Intervals()) {
        sum.Add(r);
        CheckClean(sum);
    }
    zym::RangeList rest = sum;
    for (const zym::ByteRange& r : other.Intervals()) {
        rest.Subtract(r);
        CheckClean(rest);
    }
    FUZZ_CHECK(rest.Total() + other.Total() == sum.Total());
    return 0;
}
