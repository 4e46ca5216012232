// The arguments a page passes to a ZYMClient function and the JSON texts inside them.
// Input: byte 0 picks the function, byte 1 the argument shape (count, and which arguments are
// not strings); the rest is the first string argument, up to a NUL, then the second.
#include "bridge/catalogue.h"
#include "bridge/web_window_rules.h"
#include "fuzz_check.h"
#include "platform/json_text.h"
#include "service/signer.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace {

// Every member the JSON reader kept must read back the same through its own escaping.
void CheckMembers(std::string_view text)
{
    const auto args = zym::JsonArgs::Parse(text);
    if (!args) {
        return;
    }
    for (const std::string& name : args->Names()) {
        FUZZ_CHECK(args->Has(name));
        const auto raw = args->Raw(name);
        FUZZ_CHECK(raw.has_value());
        (void)args->Int(name);
        if (const auto value = args->Text(name)) {
            const auto again = zym::JsonArgs::Parse("{\"v\":" + *raw + "}");
            FUZZ_CHECK(again.has_value());
            FUZZ_CHECK(again->Text("v") == value);
        }
    }
}

void Consumers(std::string_view text)
{
    const zym::AccessKeys keys{"id", "secret"};
    if (const auto request = zym::ParseShowWnd(text)) {
        FUZZ_CHECK(request->width >= 0 && request->height >= 0);
    }
    (void)zym::SignExpiring(text, keys);
    (void)zym::SignRpc("GET", text, keys);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 2) {
        return 0;
    }
    const auto catalogue = zym::Catalogue();
    const zym::BridgeFunction& function = catalogue[data[0] % catalogue.size()];
    const unsigned shape = data[1];
    const std::string_view rest(reinterpret_cast<const char*>(data + 2), size - 2);
    const std::size_t nul = rest.find('\0');
    const std::string first(rest.substr(0, nul));
    const std::string second(nul == std::string_view::npos ? std::string_view() : rest.substr(nul + 1));

    const std::size_t count = shape & 3u;
    std::vector<zym::CallArgument> args;
    for (std::size_t i = 0; i < count; ++i) {
        if (shape & (4u << i)) {
            args.emplace_back(std::nullopt); // a callback, number or object
        } else {
            args.emplace_back(i == 0 ? first : second);
        }
    }

    const zym::ReadArguments read = zym::ReadCallArguments(function, args);
    if (read.callbackIndex >= 0) {
        FUZZ_CHECK(static_cast<std::size_t>(read.callbackIndex) < args.size());
    }
    if (read.proceed) {
        CheckMembers(read.text);
        CheckMembers(read.text2);
        Consumers(read.text);
    }
    // The whole remainder as one text as well, so the JSON reader sees NULs and both halves.
    CheckMembers(rest);
    return 0;
}
