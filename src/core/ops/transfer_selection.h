#pragma once
// The argument of the transfer lists' start, stop and delete actions: "all", "finish" and the
// page's selection. Every array member, whatever its key, adds its elements to the selection
// in document order.
#include <string>
#include <string_view>
#include <vector>

namespace zym {

struct SelectionItem
{
    std::string bucket;   // uploads
    std::string object;   // uploads
    std::string fullpath; // downloads
};

struct TransferSelection
{
    bool all = false;   // "all" above 0
    bool finish = true; // deletes with "all": only the finished rows unless "finish" is 0
    std::vector<SelectionItem> items;
};

// A text that does not parse gives an empty selection with "all" false.
TransferSelection ParseTransferSelection(std::string_view text);

} // namespace zym
