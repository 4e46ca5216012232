#include "transfer/range_list.h"

#include <algorithm>
#include <charconv>
#include <limits>

namespace zym {

void RangeList::Add(ByteRange range)
{
    if (range.last < range.first) {
        return;
    }
    // First interval that ends at or after range.first - 1 (overlapping or touching).
    auto it = std::lower_bound(ranges_.begin(), ranges_.end(), range.first,
                               [](const ByteRange& r, std::int64_t first) { return r.last + 1 < first; });
    auto end = it;
    while (end != ranges_.end() && end->first <= range.last + 1) {
        range.first = std::min(range.first, end->first);
        range.last = std::max(range.last, end->last);
        ++end;
    }
    it = ranges_.erase(it, end);
    ranges_.insert(it, range);
}

void RangeList::Subtract(ByteRange range)
{
    if (range.last < range.first) {
        return;
    }
    std::vector<ByteRange> out;
    out.reserve(ranges_.size() + 1);
    for (const ByteRange& r : ranges_) {
        if (r.last < range.first || r.first > range.last) {
            out.push_back(r);
            continue;
        }
        if (r.first < range.first) {
            out.push_back({r.first, range.first - 1});
        }
        if (r.last > range.last) {
            out.push_back({range.last + 1, r.last});
        }
    }
    ranges_ = std::move(out);
}

std::int64_t RangeList::Total() const
{
    std::int64_t total = 0;
    for (const ByteRange& r : ranges_) {
        total += r.Length();
    }
    return total;
}

std::optional<ByteRange> RangeList::Smallest() const
{
    std::optional<ByteRange> best;
    for (const ByteRange& r : ranges_) {
        if (!best || r.Length() < best->Length()) {
            best = r;
        }
    }
    return best;
}

std::int64_t RangeList::PrefixEnd() const
{
    if (ranges_.empty() || ranges_.front().first != 0) {
        return 0;
    }
    return ranges_.front().last + 1;
}

std::string RangeList::ToText() const
{
    std::string text;
    for (const ByteRange& r : ranges_) {
        text += std::to_string(r.first) + "-" + std::to_string(r.last) + ",";
    }
    return text;
}

namespace {

bool ReadNumber(std::string_view text, std::int64_t& value)
{
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc{} && end == text.data() + text.size() && !text.empty();
}

} // namespace

RangeList RangeList::FromText(std::string_view text)
{
    RangeList list;
    while (!text.empty()) {
        const size_t comma = text.find(',');
        const std::string_view piece = text.substr(0, comma);
        text = comma == std::string_view::npos ? std::string_view{} : text.substr(comma + 1);
        const size_t dash = piece.find('-');
        if (dash == std::string_view::npos) {
            continue;
        }
        ByteRange r;
        // The largest offset is no byte of any file: its end (last + 1) would not be a number,
        // and the lengths and totals of such pieces would overflow.
        if (!ReadNumber(piece.substr(0, dash), r.first) || !ReadNumber(piece.substr(dash + 1), r.last) ||
            r.first < 0 || r.last < r.first || r.last == std::numeric_limits<std::int64_t>::max()) {
            continue;
        }
        list.Add(r);
    }
    return list;
}

} // namespace zym
