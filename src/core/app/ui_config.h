#pragma once
// config.json of the UI folder: its whole text without line breaks (handed to pages by
// configInfo) and its "source" member (sent with the start-up report).
#include <string>

namespace zym {

struct UiConfig
{
    std::string text;   // "" when the file is missing, unreadable or 2 bytes or shorter
    std::string source; // top-level string member "source", "" when absent or not a string
};

UiConfig ReadUiConfig(const std::string& path);

} // namespace zym
