#pragma once
// Numbered messages of the program's windows. The numbers are fixed: sibling programs and
// pages rely on them. kUser is the base the numbered user messages count from.
#include <optional>
#include <string_view>

namespace zym {

inline constexpr int kUser = 0x0400;

// Messages of a page-hosting window (its handlers claim the PendingCall named by wParam).
inline constexpr int kMsgClose = 16;                         // closeWnd: close the window
inline constexpr int kMsgShowAuthorizationDlg = kUser + 115; // 1139
inline constexpr int kMsgDeleteBucket = kUser + 116;         // 1140
inline constexpr int kMsgAddFile = kUser + 117;              // 1141
inline constexpr int kMsgTitleChanged = kUser + 131;         // 1155: redraw the caption
inline constexpr int kMsgShowWnd = kUser + 137;              // 1161
inline constexpr int kMsgSaveFile = kUser + 138;             // 1162
inline constexpr int kMsgSelectFileDlg = kUser + 139;        // 1163
inline constexpr int kMsgDeleteObject = kUser + 140;         // 1164
inline constexpr int kMsgCopyObject = kUser + 141;           // 1165
inline constexpr int kMsgLoginByKey = kUser + 142;           // 1166
inline constexpr int kMsgLoginByFile = kUser + 143;          // 1167
inline constexpr int kMsgSetPassword = kUser + 144;          // 1168
inline constexpr int kMsgLoginPassword = kUser + 145;        // 1169
inline constexpr int kMsgSetServerLocation = kUser + 146;    // 1170
inline constexpr int kMsgSaveAuthorization = kUser + 147;    // 1171
inline constexpr int kMsgSaveFileDlg = kUser + 148;          // 1172

// Messages of the hidden main window, accepted from sibling programs.
inline constexpr int kMsgActivate = kUser + 601;     // 1625: show login window or launchpad
inline constexpr int kMsgResetVersion = kUser + 602; // 1626: reset the compared version
inline constexpr int kMsgRestart = kUser + 603;      // 1627: shut down and start anew
inline constexpr int kMsgLogOff = kUser + 103;       // 1127: forget accounts, start anew

struct RouteEntry
{
    std::string_view processMessage; // "msg" + function name ("msgMain" for showWnd)
    int windowMessage;
    bool carriesHandle; // wParam is the PendingCall handle (all but closeWnd)
};

// The window message a page call's process message becomes; nullopt for unknown names
// (compared exactly and case-sensitively), which are dropped.
std::optional<RouteEntry> RouteFor(std::string_view processMessage);

// Every route, in table order (16 entries).
const RouteEntry* RouteTable(std::size_t* count);

} // namespace zym
