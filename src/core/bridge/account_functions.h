#pragma once
// The account functions core answers: loginByKey (a task on the operation pool), clearPassword
// (forgets the saved log-in) and setServerLocation (the account's own endpoint host).
#include "bridge/handler_registry.h"

namespace zym {

struct LoginTargets;
class CTaskPool;
class CUserDatabase;
class LanguageDocument;

// The log-in reaches the engine through targets.transferLogin when one runs.
void RegisterAccountFunctions(HandlerRegistry& registry, LoginTargets& targets, CTaskPool& pool,
                              CUserDatabase& userDatabase, const LanguageDocument& language);

} // namespace zym
