#pragma once
// Every key the program reads from the language document, with the placeholders its text must
// hold when the program uses it as a format. The language files ship one value per key; a test
// holds them to this list.
#include <span>
#include <string_view>

namespace zym {

enum class LanguageKind
{
    String,
    Rect,
    Image,
    Color,
    Html,
    Width,
    Height
};

struct LanguageKey
{
    std::string_view dialog;
    LanguageKind kind;
    std::string_view name;         // empty for Width and Height
    std::string_view placeholders; // printf conversions in order, e.g. "%d%d"; "" for plain texts
};

std::span<const LanguageKey> LanguageKeys();

// Page paths of the web windows, relative to the UI folder.
inline constexpr std::string_view kLoginPage = "login.html";
inline constexpr std::string_view kLaunchpadPage = "launchpad.html";
inline constexpr std::string_view kAuthorizationPage = "authorization.html";

} // namespace zym
