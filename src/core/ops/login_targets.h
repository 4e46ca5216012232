#pragma once
// What a login writes to: the session every request signs with, the engine's start
// conditions (logged in), and the engine's side of the login when an engine runs.
#include "service/session.h"
#include "transfer/start_conditions.h"

namespace zym {

class TransferLogin;

struct LoginTargets
{
    Session& session;
    StartConditions& conditions;
    // The account's queue opens through it; null when no engine runs.
    TransferLogin* transferLogin = nullptr;
};

} // namespace zym
