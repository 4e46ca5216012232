#include "bridge/window_messages.h"

#include <array>

namespace zym {
namespace {

constexpr std::array<RouteEntry, 16> kRoutes{{
    {"msgshowAuthorizationDlg", kMsgShowAuthorizationDlg, true},
    {"msgdeleteBucket", kMsgDeleteBucket, true},
    {"msgaddFile", kMsgAddFile, true},
    {"msgMain", kMsgShowWnd, true},
    {"msgsaveFile", kMsgSaveFile, true},
    {"msgselectFileDlg", kMsgSelectFileDlg, true},
    {"msgdeleteObject", kMsgDeleteObject, true},
    {"msgcopyObject", kMsgCopyObject, true},
    {"msgloginByKey", kMsgLoginByKey, true},
    {"msgloginByFile", kMsgLoginByFile, true},
    {"msgsetPassword", kMsgSetPassword, true},
    {"msgloginPassword", kMsgLoginPassword, true},
    {"msgsetServerLocation", kMsgSetServerLocation, true},
    {"msgsaveAuthorization", kMsgSaveAuthorization, true},
    {"msgsaveFileDlg", kMsgSaveFileDlg, true},
    {"msgcloseWnd", kMsgClose, false},
}};

} // namespace

std::optional<RouteEntry> RouteFor(std::string_view processMessage)
{
    for (const RouteEntry& r : kRoutes) {
        if (r.processMessage == processMessage)
            return r;
    }
    return std::nullopt;
}

const RouteEntry* RouteTable(std::size_t* count)
{
    *count = kRoutes.size();
    return kRoutes.data();
}

} // namespace zym
