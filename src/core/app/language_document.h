#pragma once
// The document of the current interface language: every text the native side shows by itself
// and the layout values of the native dialogs and web windows. Queries select one attribute,
// "/dialog/<dialog>/<kind>/@<name>", and answer an empty value when the document, the element
// or the attribute is missing.
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

namespace tinyxml2 {
class XMLDocument;
}

namespace zym {

struct LanguageRect
{
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
};

// File of a language number under the install folder: "<install>/language/default-chs.xml" for 1,
// -en for 2, -tw for 3, -korean for 4; any other number gives "".
std::string LanguageFilePath(const std::string& installFolder, int language);

// Leading-number rule of the numeric queries: optional blanks and sign, then the decimal digits
// at the start of the text; 0 when there are none; values beyond an int stop at its limits.
int LeadingNumber(const std::string& text);
// Hexadecimal colour text, most significant digit first; any other character gives 0.
std::uint32_t HexColour(const std::string& text);
// "left,top,right,bottom"; each part by the leading-number rule, the fourth takes the rest.
LanguageRect ParseRect(const std::string& text);

class LanguageDocument
{
public:
    // imageFolder is the base of image paths (the install folder); image texts start with "/".
    explicit LanguageDocument(std::string imageFolder = {});
    ~LanguageDocument();
    LanguageDocument(const LanguageDocument&) = delete;
    LanguageDocument& operator=(const LanguageDocument&) = delete;

    // Empties the document and loads the file. An empty path, a missing file or a malformed
    // one leaves the document empty. True when a document was loaded.
    bool Load(const std::string& path);
    // Replaces the document with the built-in window sizes and pages (no texts): what a run
    // without a readable language file uses. LoadResult keeps the failed load's number.
    bool LoadBuiltInSizes();
    // Result of the last load: 0 loaded, otherwise the parser's error number (-1 for no path).
    int LoadResult() const;

    std::string String(const std::string& dialog, const std::string& name) const;
    LanguageRect Rect(const std::string& dialog, const std::string& name) const;
    std::string Image(const std::string& dialog, const std::string& name) const;
    std::uint32_t Color(const std::string& dialog, const std::string& name) const;
    int Width(const std::string& dialog) const;
    int Height(const std::string& dialog) const;
    std::string Html(const std::string& dialog, const std::string& name) const;

private:
    // Sets value to the text of "/dialog/<dialog>/<kind>/@<name>" (kind empty: an attribute of
    // the dialog element itself); false when the document has no such attribute.
    bool Select(const std::string& dialog, const std::string& kind, const std::string& name,
                std::string& value) const;

    mutable std::mutex lock_;
    std::unique_ptr<tinyxml2::XMLDocument> document_;
    std::string imageFolder_;
    int loadResult_ = -1;
};

} // namespace zym
