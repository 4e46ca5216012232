#include "transfer/progress_texts.h"

#include "platform/json_text.h"
#include "transfer/transfer_engine.h"

#include <cjson/cJSON.h>
#include <cmath>
#include <limits>
#include <memory>

namespace zym {

namespace {

void AppendNumber(std::string& out, const char* name, std::int64_t value)
{
    out += '"';
    out += name;
    out += "\":";
    out += std::to_string(value);
}

void AppendText(std::string& out, const char* name, std::string_view value)
{
    out += '"';
    out += name;
    out += "\":\"";
    out += JsonEscape(value);
    out += '"';
}

using JsonPtr = std::unique_ptr<cJSON, decltype(&cJSON_Delete)>;

JsonPtr ParseObject(std::string_view text)
{
    JsonPtr json(cJSON_ParseWithLength(text.data(), text.size()), &cJSON_Delete);
    if (json && !cJSON_IsObject(json.get())) {
        json.reset();
    }
    return json;
}

// The integer value of a member as the page's argument reading gives it: a number's whole
// part (clamped to int), true 1, anything else 0.
int IntegerOf(const cJSON* item)
{
    if (cJSON_IsBool(item)) {
        return cJSON_IsTrue(item) ? 1 : 0;
    }
    if (!cJSON_IsNumber(item) || std::isnan(item->valuedouble)) {
        return 0;
    }
    const double whole = std::trunc(item->valuedouble);
    if (whole >= std::numeric_limits<int>::max()) {
        return std::numeric_limits<int>::max();
    }
    if (whole <= std::numeric_limits<int>::min()) {
        return std::numeric_limits<int>::min();
    }
    return static_cast<int>(whole);
}

// The last member of that exact name (a repeated name: the later one wins).
const cJSON* Member(const cJSON* object, std::string_view name)
{
    const cJSON* found = nullptr;
    for (const cJSON* item = object->child; item != nullptr; item = item->next) {
        if (item->string != nullptr && name == item->string) {
            found = item;
        }
    }
    return found;
}

} // namespace

std::string ProgressHeader(const TransferStatistics& stats)
{
    std::string out;
    out.reserve(160);
    AppendNumber(out, "download", stats.downloadSpeed);
    out += ',';
    AppendNumber(out, "upload", stats.uploadSpeed);
    out += ',';
    AppendNumber(out, "download_total_count", stats.downloadTotal);
    out += ',';
    AppendNumber(out, "download_done_count", stats.downloadDone);
    out += ',';
    AppendNumber(out, "upload_total_count", stats.uploadTotal);
    out += ',';
    AppendNumber(out, "upload_done_count", stats.uploadDone);
    out += ",\"list\":[";
    return out;
}

std::string ProgressItem(TransferKind kind, const TransferRow& row)
{
    std::string out;
    out.reserve(200 + row.bucket.size() + row.object.size() + row.fullpath.size() + row.errormsg.size());
    out += '{';
    if (kind == TransferKind::Upload) {
        out += "\"pathhash\":\"" + row.key + "\","; // 40 hex digits, never escaped
    }
    AppendText(out, "bucket", row.bucket);
    out += ',';
    AppendText(out, "object", row.object);
    out += ',';
    AppendText(out, "fullpath", row.fullpath);
    out += ',';
    AppendNumber(out, "offset", row.offset);
    out += ',';
    AppendNumber(out, "filesize", row.filesize);
    out += ',';
    AppendNumber(out, "status", row.status);
    out += ',';
    AppendNumber(out, "speed", row.speed);
    out += ',';
    AppendText(out, "errormsg", row.errormsg);
    out += '}';
    return out;
}

std::string ProgressList(TransferKind kind, const TransferStatistics& stats,
                         const std::vector<TransferRow>& rows)
{
    std::string out = "{" + ProgressHeader(stats);
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (i > 0) {
            out += ',';
        }
        out += ProgressItem(kind, rows[i]);
    }
    out += "]}";
    return out;
}

PageRange ParsePageRange(std::string_view text)
{
    PageRange range;
    const JsonPtr json = ParseObject(text);
    if (!json) {
        return range;
    }
    if (const cJSON* start = Member(json.get(), "start")) {
        range.start = IntegerOf(start);
    }
    if (const cJSON* count = Member(json.get(), "count")) {
        range.count = IntegerOf(count);
    }
    if (range.start < 0) {
        range.start = 0;
    }
    if (range.count < 0) {
        range.count = -1;
    }
    return range;
}

std::optional<bool> ParseReportSwitch(std::string_view text)
{
    const JsonPtr json = ParseObject(text);
    if (!json) {
        return std::nullopt;
    }
    const cJSON* start = Member(json.get(), "start");
    if (start == nullptr) {
        return std::nullopt;
    }
    return IntegerOf(start) > 0;
}

} // namespace zym
