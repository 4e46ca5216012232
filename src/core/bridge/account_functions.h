#pragma once
// The account functions core answers: loginByKey (a task on the operation pool), clearPassword
// (forgets the saved log-in) and setServerLocation (the account's own endpoint host).
#include "bridge/handler_registry.h"

namespace zym {

struct AppEnvironment;
class CUserDatabase;
class LanguageDocument;
class TransferLogin;

// `transfers` is the engine's side of a login (the account's queue opened, the schedulers let
// go); null when no engine runs.
void RegisterAccountFunctions(HandlerRegistry& registry, AppEnvironment& env, CUserDatabase& userDatabase,
                              const LanguageDocument& language, TransferLogin* transfers);

} // namespace zym
