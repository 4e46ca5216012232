#pragma once
// The page functions of the password lock and the sub-key and token store: setPassword and
// loginPassword (answered through the callback), gAccountAction (answered at once). The key
// file's two functions need file dialogs and are registered by the shell.
namespace zym {

struct LoginTargets;
class CUserDatabase;
class HandlerRegistry;
class LanguageDocument;
class Log;

void RegisterCredentialFunctions(HandlerRegistry& registry, LoginTargets& targets, CUserDatabase& database,
                                 const LanguageDocument& language, Log& log);

} // namespace zym
