#include "service/reply_models.h"

#include <tinyxml2.h>

namespace zym {

using tinyxml2::XMLDocument;
using tinyxml2::XMLElement;

const XMLElement* CZymRet::Root(const XMLDocument& document)
{
    return document.FirstChildElement();
}

void CZymRet::ReadValue(const XMLElement& parent, const char* name, std::string& field)
{
    const XMLElement* element = parent.FirstChildElement(name);
    if (element == nullptr) {
        return;
    }
    const char* text = element->GetText();
    if (text != nullptr) {
        field = text;
    }
}

void CZymRet::ReadErrorFields(const XMLElement& root)
{
    ReadValue(root, "Code", Code);
    ReadValue(root, "Message", Message);
    ReadValue(root, "RequestId", RequestId);
    ReadValue(root, "HostId", HostId);
    ReadValue(root, "BucketName", BucketName);
}

bool CZymRet::Parse(const XMLDocument& document)
{
    const XMLElement* root = Root(document);
    if (root == nullptr) {
        return false;
    }
    ReadErrorFields(*root);
    return true;
}

bool CZymCopyRet::Parse(const XMLDocument& document)
{
    const XMLElement* root = Root(document);
    if (root == nullptr) {
        return false;
    }
    ReadValue(*root, "LastModified", LastModified);
    ReadValue(*root, "ETag", ETag);
    ReadErrorFields(*root);
    return true;
}

bool CZymInitiateMultipartUploadRet::Parse(const XMLDocument& document)
{
    const XMLElement* root = Root(document);
    if (root == nullptr) {
        return false;
    }
    ReadValue(*root, "Bucket", Bucket);
    ReadValue(*root, "UploadId", UploadId);
    ReadValue(*root, "Key", Key);
    ReadErrorFields(*root);
    return true;
}

bool CZymListObjectRet::Parse(const XMLDocument& document)
{
    Entries.clear();
    const XMLElement* root = Root(document);
    if (root == nullptr) {
        return false;
    }
    ReadErrorFields(*root);
    ReadValue(*root, "Name", Name);
    ReadValue(*root, "Prefix", Prefix);
    ReadValue(*root, "Marker", Marker);
    ReadValue(*root, "NextMarker", NextMarker);

    // Both walks continue over every following sibling whatever its name, so a folder element
    // met by the object walk yields no key there and is read again by the folder walk.
    for (const XMLElement* e = root->FirstChildElement("Contents"); e != nullptr;
         e = e->NextSiblingElement()) {
        ObjectEntry entry;
        ReadValue(*e, "Key", entry.Key);
        ReadValue(*e, "LastModified", entry.LastModified);
        ReadValue(*e, "ETag", entry.ETag);
        ReadValue(*e, "Type", entry.Type);
        ReadValue(*e, "Size", entry.Size);
        // The placeholder object whose key is the listed prefix itself is not a child.
        if (!entry.Key.empty() && entry.Key != Prefix) {
            Entries.push_back(std::move(entry));
        }
    }
    for (const XMLElement* e = root->FirstChildElement("CommonPrefixes"); e != nullptr;
         e = e->NextSiblingElement()) {
        ObjectEntry entry;
        ReadValue(*e, "Prefix", entry.Prefix);
        if (!entry.Prefix.empty() && entry.Prefix != Prefix) {
            Entries.push_back(std::move(entry));
        }
    }
    return true;
}

bool CZymListMultipartUploadRet::Parse(const XMLDocument& document)
{
    Uploads.clear();
    const XMLElement* root = Root(document);
    if (root == nullptr) {
        return false;
    }
    ReadErrorFields(*root);
    ReadValue(*root, "Bucket", Bucket);
    ReadValue(*root, "KeyMarker", KeyMarker);
    ReadValue(*root, "UploadIdMarker", UploadIdMarker);
    ReadValue(*root, "NextKeyMarker", NextKeyMarker);
    ReadValue(*root, "NextUploadIdMarker", NextUploadIdMarker);
    ReadValue(*root, "Delimiter", Delimiter);
    ReadValue(*root, "Prefix", Prefix);
    ReadValue(*root, "MaxUploads", MaxUploads);
    ReadValue(*root, "IsTruncated", IsTruncated);
    for (const XMLElement* e = root->FirstChildElement("Upload"); e != nullptr; e = e->NextSiblingElement()) {
        UploadEntry entry;
        ReadValue(*e, "Key", entry.Key);
        ReadValue(*e, "UploadId", entry.UploadId);
        ReadValue(*e, "Initiated", entry.Initiated);
        if (!entry.Key.empty()) {
            Uploads.push_back(std::move(entry));
        }
    }
    return true;
}

bool ParseReply(CZymRet& model, std::string_view body)
{
    if (body.empty()) {
        return false;
    }
    XMLDocument document;
    if (document.Parse(body.data(), body.size()) != tinyxml2::XML_SUCCESS) {
        return false;
    }
    return model.Parse(document);
}

} // namespace zym
