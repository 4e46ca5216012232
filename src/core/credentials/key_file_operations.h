#pragma once
// The two page operations around a key file: writing the signed-in key pair to a file the user
// chose (saveAuthorization) and reading one back to log in (loginByFile). They answer with the
// reply text; the key pair itself never reaches a reply or a log line.
#include "credentials/key_pair.h"

#include <string>

namespace zym {

class LanguageDocument;
class Log;

// {"keyid","keysecret","encoding"} written to `path`. Replies 0, 1 (argument not JSON),
// 7 (empty "encoding": the check block cannot be keyed) or 3 (file not created; logged).
std::string SaveAuthorization(const std::string& argument, const std::string& path,
                              const LanguageDocument& language, Log& log);

struct KeyFileLogin
{
    std::string reply;    // the error reply, empty when the key pair was read
    PlainKeyPair keys;    // valid when reply is empty
    std::string location; // the argument's "location" ("" when missing or not JSON)
};

// Reads and decrypts the key file with `deviceKey` (MachineId). Errors: 2 (cannot be opened;
// logged), 5 (wrong size or magic, or a block runs past the end), 8 (check block does not verify).
KeyFileLogin ReadKeyFileLogin(const std::string& argument, const std::string& path,
                              const std::string& deviceKey, const LanguageDocument& language, Log& log);

} // namespace zym
