#include "app/language_document.h"

#include <climits>
#include <tinyxml2.h>

namespace zym {

std::string LanguageFilePath(const std::string& installFolder, int language)
{
    const char* file = nullptr;
    switch (language) {
    case 1:
        file = "/language/default-chs.xml";
        break;
    case 2:
        file = "/language/default-en.xml";
        break;
    case 3:
        file = "/language/default-tw.xml";
        break;
    case 4:
        file = "/language/default-korean.xml";
        break;
    default:
        return {};
    }
    return installFolder + file;
}

int LeadingNumber(const std::string& text)
{
    // Like the C library's integer reading: blanks, an optional sign, then digits. The sign
    // matters: layout rectangles count negative values from the right or bottom edge.
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
        negative = text[i] == '-';
        ++i;
    }
    long long value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > INT_MAX) {
            return negative ? INT_MIN : INT_MAX;
        }
    }
    return static_cast<int>(negative ? -value : value);
}

std::uint32_t HexColour(const std::string& text)
{
    std::uint32_t value = 0;
    for (const char c : text) {
        std::uint32_t digit = 0;
        if (c >= '0' && c <= '9') {
            digit = static_cast<std::uint32_t>(c - '0');
        } else if (c >= 'A' && c <= 'F') {
            digit = static_cast<std::uint32_t>(c - 'A' + 10);
        } else if (c >= 'a' && c <= 'f') {
            digit = static_cast<std::uint32_t>(c - 'a' + 10);
        } else {
            return 0;
        }
        value = (value << 4) | digit;
    }
    return value;
}

LanguageRect ParseRect(const std::string& text)
{
    int parts[4] = {0, 0, 0, 0};
    std::size_t start = 0;
    for (int i = 0; i < 4 && start <= text.size(); ++i) {
        std::size_t comma = (i < 3) ? text.find(',', start) : std::string::npos;
        const std::string part =
            text.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        parts[i] = LeadingNumber(part);
        if (comma == std::string::npos) {
            break; // fewer than four numbers: the rest stay 0
        }
        start = comma + 1;
    }
    return LanguageRect{parts[0], parts[1], parts[2], parts[3]};
}

LanguageDocument::LanguageDocument(std::string imageFolder) : imageFolder_(std::move(imageFolder)) {}

LanguageDocument::~LanguageDocument() = default;

bool LanguageDocument::Load(const std::string& path)
{
    std::lock_guard<std::mutex> guard(lock_);
    document_.reset();
    if (path.empty()) {
        loadResult_ = -1;
        return false;
    }
    auto doc = std::make_unique<tinyxml2::XMLDocument>();
    const tinyxml2::XMLError result = doc->LoadFile(path.c_str());
    loadResult_ = static_cast<int>(result);
    if (result != tinyxml2::XML_SUCCESS) {
        return false;
    }
    document_ = std::move(doc);
    return true;
}

bool LanguageDocument::LoadBuiltInSizes()
{
    // The window sizes and pages every shipped language file gives (they agree), so that a run
    // without its language file still opens its windows at their size; texts stay empty.
    static constexpr const char* kSizes = R"(<?xml version="1.0" encoding="UTF-8"?>
<dialog>
  <copymessage width="460" height="150">
    <rect icon="16,20,32,32" text="64,20,-16,60" all="16,-38,130,20" replace="-296,-42,80,28" savemore="-208,-42,112,28" close="-88,-42,72,28"/>
  </copymessage>
  <copyfiledlg width="394" height="141">
    <rect title="24,20,-24,28" progress="24,64,-24,22"/>
  </copyfiledlg>
  <launchpad><rect window="0,0,1000,680"/><html path="launchpad.html"/></launchpad>
  <authorization><rect window="0,0,560,420"/><html path="authorization.html"/></authorization>
  <weblogin><rect window="0,0,400,540"/><html path="login.html"/></weblogin>
</dialog>)";
    std::lock_guard<std::mutex> guard(lock_);
    auto doc = std::make_unique<tinyxml2::XMLDocument>();
    if (doc->Parse(kSizes) != tinyxml2::XML_SUCCESS) {
        return false;
    }
    document_ = std::move(doc);
    return true;
}

int LanguageDocument::LoadResult() const
{
    std::lock_guard<std::mutex> guard(lock_);
    return loadResult_;
}

bool LanguageDocument::Select(const std::string& dialog, const std::string& kind, const std::string& name,
                              std::string& value) const
{
    std::lock_guard<std::mutex> guard(lock_);
    if (!document_ || dialog.empty() || name.empty()) {
        return false;
    }
    const tinyxml2::XMLElement* root = document_->RootElement();
    if (root == nullptr || std::string(root->Name()) != "dialog") {
        return false;
    }
    // A path selects the first match in document order across every element of that name.
    for (const tinyxml2::XMLElement* d = root->FirstChildElement(dialog.c_str()); d != nullptr;
         d = d->NextSiblingElement(dialog.c_str())) {
        if (kind.empty()) {
            if (const char* v = d->Attribute(name.c_str())) {
                value = v;
                return true;
            }
            continue;
        }
        for (const tinyxml2::XMLElement* k = d->FirstChildElement(kind.c_str()); k != nullptr;
             k = k->NextSiblingElement(kind.c_str())) {
            if (const char* v = k->Attribute(name.c_str())) {
                value = v;
                return true;
            }
        }
    }
    return false;
}

std::string LanguageDocument::String(const std::string& dialog, const std::string& name) const
{
    std::string value;
    Select(dialog, "string", name, value);
    return value;
}

LanguageRect LanguageDocument::Rect(const std::string& dialog, const std::string& name) const
{
    std::string value;
    if (!Select(dialog, "rect", name, value)) {
        return {};
    }
    return ParseRect(value);
}

std::string LanguageDocument::Image(const std::string& dialog, const std::string& name) const
{
    std::string value;
    if (!Select(dialog, "image", name, value) || value.empty()) {
        return {};
    }
    return imageFolder_ + value;
}

std::uint32_t LanguageDocument::Color(const std::string& dialog, const std::string& name) const
{
    std::string value;
    Select(dialog, "color", name, value);
    return HexColour(value);
}

int LanguageDocument::Width(const std::string& dialog) const
{
    std::string value;
    Select(dialog, "", "width", value);
    return LeadingNumber(value);
}

int LanguageDocument::Height(const std::string& dialog) const
{
    std::string value;
    Select(dialog, "", "height", value);
    return LeadingNumber(value);
}

std::string LanguageDocument::Html(const std::string& dialog, const std::string& name) const
{
    std::string value;
    Select(dialog, "html", name, value);
    return value;
}

} // namespace zym
