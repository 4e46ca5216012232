#pragma once
// gAccountAction: the page's store of sub-account keys ("ram") and temporary tokens ("sts").
// Every record is stamped with the signed-in account's id and the save time; the texts are
// kept only in the machine-bound protected form (the user database does that).
#include <cstdint>
#include <string>
#include <string_view>

namespace zym {

class CUserDatabase;

// Answers the action word (exact, case-sensitive) with compact JSON: {} for the add and delete
// actions, an unknown word, an argument that is not JSON or a missing record; a record for
// "getram"/"getsts"; {"list":[...]} for "getrams"/"getstss".
std::string AccountAction(CUserDatabase& database, std::string_view action, std::string_view argument,
                          const std::string& accessId, std::int64_t now);

} // namespace zym
