// The language document as read from disk: any bytes. Every query over every dialog, kind and
// attribute the document holds (and a few it does not) answers without a crash.
#include "app/language_document.h"
#include "fuzz_check.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <tinyxml2.h>
#include <unistd.h>

namespace {

// One scratch file per process, removed when the process ends normally.
struct ScratchFile
{
    std::string path = "/tmp/zym-fuzz-language-" + std::to_string(::getpid()) + ".xml";
    ~ScratchFile() { std::remove(path.c_str()); }
};

const std::string& ScratchPath()
{
    static const ScratchFile file;
    return file.path;
}

void QueryAll(const zym::LanguageDocument& document, const std::string& dialog, const std::string& name)
{
    (void)document.String(dialog, name);
    (void)document.Rect(dialog, name);
    (void)document.Image(dialog, name);
    (void)document.Color(dialog, name);
    (void)document.Html(dialog, name);
    (void)document.Width(dialog);
    (void)document.Height(dialog);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    // The value readers take attribute texts as they stand.
    (void)zym::LeadingNumber(text);
    (void)zym::HexColour(text);
    (void)zym::ParseRect(text);

    const std::string& path = ScratchPath();
    if (std::FILE* f = std::fopen(path.c_str(), "wb")) {
        std::fwrite(data, 1, size, f);
        std::fclose(f);
    } else {
        return 0;
    }
    zym::LanguageDocument document("/install");
    const bool loaded = document.Load(path);
    FUZZ_CHECK(loaded == (document.LoadResult() == 0));
    QueryAll(document, "main", "title");
    QueryAll(document, "", "");
    if (!loaded) {
        FUZZ_CHECK(document.String("main", "title").empty());
        return 0;
    }
    // Walk the document the way the queries select: dialog elements under the root, their
    // kind elements, and the attributes of both.
    tinyxml2::XMLDocument walk;
    if (walk.Parse(text.data(), text.size()) != tinyxml2::XML_SUCCESS || walk.RootElement() == nullptr) {
        return 0;
    }
    for (const auto* d = walk.RootElement()->FirstChildElement(); d != nullptr; d = d->NextSiblingElement()) {
        for (const auto* a = d->FirstAttribute(); a != nullptr; a = a->Next()) {
            QueryAll(document, d->Name(), a->Name());
        }
        for (const auto* k = d->FirstChildElement(); k != nullptr; k = k->NextSiblingElement()) {
            for (const auto* a = k->FirstAttribute(); a != nullptr; a = a->Next()) {
                QueryAll(document, d->Name(), a->Name());
            }
        }
    }
    return 0;
}
