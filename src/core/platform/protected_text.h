#pragma once
// The machine-bound form in which sub-key and token texts are stored: Base64 (standard
// alphabet, "=" padding) of RC4 under the device key (normally MachineId) of the UTF-8 text.
// The form is deterministic, so a stored row is found by protecting the id looked for.
#include <optional>
#include <string>
#include <string_view>

namespace zym {

// The reverse of Base64Encode (service/digest.h): no result for text that is not standard Base64.
std::optional<std::string> Base64Decode(std::string_view text);

// Base64(Rc4(deviceKey, plain)). No result for an empty device key.
std::optional<std::string> ProtectText(std::string_view plain, std::string_view deviceKey);
// The reverse. A text protected on another machine restores to unreadable characters, never to
// invalid UTF-8 (malformed bytes become U+FFFD); text that is not Base64 restores to "".
std::string RestoreText(std::string_view stored, std::string_view deviceKey);

} // namespace zym
