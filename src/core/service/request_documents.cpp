#include "service/request_documents.h"

#include <algorithm>
#include <tinyxml2.h>

namespace zym {

namespace {

using tinyxml2::XMLDocument;
using tinyxml2::XMLElement;

XMLElement* StartDocument(XMLDocument& document, const char* rootName)
{
    document.InsertEndChild(document.NewDeclaration("xml version=\"1.0\" encoding=\"UTF-8\""));
    return document.InsertEndChild(document.NewElement(rootName))->ToElement();
}

void AddText(XMLDocument& document, XMLElement& parent, const char* name, const char* text)
{
    XMLElement* element = document.NewElement(name);
    element->SetText(text);
    parent.InsertEndChild(element);
}

std::string Print(const XMLDocument& document)
{
    tinyxml2::XMLPrinter printer; // default: indented, not compact
    document.Print(&printer);
    // CStrSize counts the terminating zero, which is not part of the body.
    return std::string(printer.CStr(), static_cast<size_t>(printer.CStrSize() - 1));
}

} // namespace

std::string DeleteDocument(const std::vector<std::string>& keys, bool quiet)
{
    XMLDocument document;
    XMLElement* root = StartDocument(document, "Delete");
    AddText(document, *root, "Quiet", quiet ? "true" : "false");
    for (const std::string& key : keys) {
        XMLElement* object = document.NewElement("Object");
        AddText(document, *object, "Key", key.c_str());
        root->InsertEndChild(object);
    }
    return Print(document);
}

std::string CompleteMultipartUploadDocument(std::vector<CompletedPart> parts)
{
    std::stable_sort(parts.begin(), parts.end(), [](const CompletedPart& a, const CompletedPart& b) {
        return a.PartNumber < b.PartNumber;
    });
    XMLDocument document;
    XMLElement* root = StartDocument(document, "CompleteMultipartUpload");
    for (const CompletedPart& part : parts) {
        XMLElement* element = document.NewElement("Part");
        AddText(document, *element, "PartNumber", std::to_string(part.PartNumber).c_str());
        AddText(document, *element, "ETag", part.ETag.c_str());
        root->InsertEndChild(element);
    }
    return Print(document);
}

} // namespace zym
