#pragma once
// The texts the transfer lists of the page receive: the six statistics every answer begins
// with, one item per transfer row, the list text of getDownload/getUpload and the periodic
// report, and the reading of the page's paging and report-switch arguments.
#include "store/transfer_row.h"
#include "transfer/interface_thread.h" // TransferStatistics, the worker thread's snapshot

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zym {

enum class TransferKind;

// "\"download\":..,...,\"list\":[" (the text after the opening brace).
std::string ProgressHeader(const TransferStatistics& stats);
// One row as the page reads it; every text but pathhash is JSON-escaped.
std::string ProgressItem(TransferKind kind, const TransferRow& row);
// "{" + header + items joined by "," + "]}". A one-row report is the list of that row.
std::string ProgressList(TransferKind kind, const TransferStatistics& stats,
                         const std::vector<TransferRow>& rows);

// getDownload/getUpload paging: "start" (default 0) and "count" (default 100). A negative count
// lists every row from start on, a negative start counts as 0.
struct PageRange
{
    int start = 0;
    int count = 100;
};
PageRange ParsePageRange(std::string_view text);

// changeDownload/changeUpload: whether the periodic report is on ("start" above 0); no value
// when the text does not parse or has no "start" (the switch then stays as it is).
std::optional<bool> ParseReportSwitch(std::string_view text);

} // namespace zym
