#pragma once
// Reply models: caller-owned objects that a service operation fills with the transfer
// result, the service's error fields and the reply's own fields. Every text is UTF-8 and
// starts empty; numbers and flags stay text as the service sent them.
#include <string>
#include <string_view>
#include <vector>

namespace tinyxml2 {
class XMLDocument;
class XMLElement;
} // namespace tinyxml2

namespace zym {

class CZymRet
{
public:
    virtual ~CZymRet() = default;
    // Reads the loaded document into the fields; false when it has no root element.
    virtual bool Parse(const tinyxml2::XMLDocument& document);

    int Result = 0; // libcurl result; 0 when the transfer completed
    std::string Code;
    std::string Message;
    std::string RequestId;
    std::string HostId;
    std::string BucketName;

protected:
    // The document's first child element (the root whatever its name), or null.
    static const tinyxml2::XMLElement* Root(const tinyxml2::XMLDocument& document);
    // Copies the text of the first child element named `name`; leaves `field` unchanged
    // when there is no such element or it has no text.
    static void ReadValue(const tinyxml2::XMLElement& parent, const char* name, std::string& field);
    void ReadErrorFields(const tinyxml2::XMLElement& root);
};

class CZymCopyRet : public CZymRet
{
public:
    bool Parse(const tinyxml2::XMLDocument& document) override;
    std::string ETag;
    std::string LastModified;
};

class CZymInitiateMultipartUploadRet : public CZymRet
{
public:
    bool Parse(const tinyxml2::XMLDocument& document) override;
    std::string Bucket;
    std::string Key;
    std::string UploadId;
};

struct UploadEntry
{
    std::string Key;
    std::string UploadId;
    std::string Initiated;
};

class CZymListMultipartUploadRet : public CZymRet
{
public:
    bool Parse(const tinyxml2::XMLDocument& document) override;
    std::string Bucket;
    std::string KeyMarker;
    std::string UploadIdMarker;
    std::string NextKeyMarker;
    std::string NextUploadIdMarker;
    std::string Delimiter;
    std::string Prefix;
    std::string MaxUploads;
    std::string IsTruncated;
    std::vector<UploadEntry> Uploads;
};

// An object has Key set and Prefix empty; a folder (common prefix) has only Prefix.
struct ObjectEntry
{
    std::string Key;
    std::string LastModified;
    std::string ETag;
    std::string Type;
    std::string Prefix;
    std::string Size; // decimal text as sent
};

class CZymListObjectRet : public CZymRet
{
public:
    bool Parse(const tinyxml2::XMLDocument& document) override;
    std::string Name;
    std::string Prefix;
    std::string Marker;
    std::string NextMarker;
    std::vector<ObjectEntry> Entries; // objects in document order, then folders
};

// Loads the body and hands it to the model's Parse. False, with every field untouched,
// when the body is not well-formed XML (an empty body included).
bool ParseReply(CZymRet& model, std::string_view body);

} // namespace zym
