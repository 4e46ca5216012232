#pragma once
// The account functions core answers: loginByKey (a task on the operation pool) and
// clearPassword (forgets the saved log-in).
#include "bridge/handler_registry.h"

namespace zym {

struct AppEnvironment;
class CUserDatabase;

void RegisterAccountFunctions(HandlerRegistry& registry, AppEnvironment& env, CUserDatabase& userDatabase);

} // namespace zym
