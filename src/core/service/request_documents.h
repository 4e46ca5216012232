#pragma once
// The two XML documents the client sends: the multi-object Delete request and the part
// list that completes a multipart upload. Both are printed with tinyxml2's indented
// printer; the printed bytes are the request body and what Content-MD5 is computed over.
#include <cstdint>
#include <string>
#include <vector>

namespace zym {

struct CompletedPart
{
    std::int32_t PartNumber = 0;
    std::string ETag; // exactly as the service returned it, quotes included
};

std::string DeleteDocument(const std::vector<std::string>& keys, bool quiet);

// Parts are written in ascending part-number order whatever the given order.
std::string CompleteMultipartUploadDocument(std::vector<CompletedPart> parts);

} // namespace zym
