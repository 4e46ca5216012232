#pragma once
// The account functions core answers: loginByKey (a task on the operation pool), clearPassword
// (forgets the saved log-in) and setServerLocation (the account's own endpoint host).
#include "bridge/handler_registry.h"

namespace zym {

struct AppEnvironment;
class CUserDatabase;
class LanguageDocument;

// The log-in reaches the engine through env.transferLogin when one runs.
void RegisterAccountFunctions(HandlerRegistry& registry, AppEnvironment& env, CUserDatabase& userDatabase,
                              const LanguageDocument& language);

} // namespace zym
