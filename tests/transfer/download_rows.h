#pragma once
// The queue's row of one download, looked up by its local path.
#include "store/trans_database.h"

#include <optional>
#include <string>
#include <vector>

namespace zym::testing {

inline std::optional<TransferRow> DownloadRowOf(CTransDatabase& database, const std::string& fullpath)
{
    std::vector<TransferRow> rows;
    database.ListDownloads(-1, -1, rows);
    for (const auto& r : rows) {
        if (r.fullpath == fullpath) {
            return r;
        }
    }
    return std::nullopt;
}

} // namespace zym::testing
