#pragma once
// Whether a multipart upload was already completed: a run killed after the service put the
// object together but before the row was marked finished finds its upload id gone on the next
// run. The object then carries the multipart checksum of exactly the recorded parts (the MD5 of
// the parts' binary MD5s, "-", the number of parts), which nothing else would produce.
#include "service/service_operations.h"
#include "transfer/upload_part_info.h"

#include <string>
#include <vector>

namespace zym {

// "\"<32 lower-case hex>-<count>\"" of the parts in part-number order; empty when an ETag is not
// a quoted MD5.
std::string MultipartEtag(std::vector<PartRecord> parts);

// True when the object exists and its ETag equals `etag` (compared without regard to case).
bool ObjectHasEtag(const ServiceCall& call, const std::string& bucket, const std::string& key,
                   const std::string& etag);

} // namespace zym
