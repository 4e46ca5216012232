#pragma once
// Request signing: every request to the service carries a Date header and an Authorization
// header "ZYM <id>:<signature>", the signature being the Base64 HMAC-SHA1 of a canonical string
// made from the request. Pages sign their own requests through SignExpiring (an expiry number in
// place of the date) and SignRpc (query-style, for the account-management service).
//
// Every function takes the keys explicitly; nothing is read from shared state, so signing is safe
// from any number of threads. Signing cannot fail: empty keys or fields sign the empty text.
#include "service/session.h"

#include <ctime>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace zym {

// One x-zym- header that the request sends and signs. Standard headers never go here.
struct CanonicalHeader
{
    std::string name;
    std::string value;
};

struct SigningInput
{
    std::string verb;        // "GET", "PUT", "POST" or "DELETE"
    std::string contentMd5;  // the Content-MD5 header value, or empty
    std::string contentType; // the Content-Type header value, or empty
    std::string date;        // the exact text of the Date header
    // "/bucket/", "/bucket/key", "/bucket/?delete", "/bucket/?uploads", "/bucket/key?uploads",
    // "/bucket/key?partNumber=N&uploadId=ID", "/bucket/key?uploadId=ID". The key stands raw,
    // never URL-encoded; list parameters are never part of it.
    std::string resource;
    std::vector<CanonicalHeader> headers;
};

// "Tue, 08 Dec 2026 21:05:09 GMT", with English names whatever the process locale is.
// Empty when the time cannot be represented.
std::string FormatGmtDate();
std::string FormatGmtDate(std::time_t when);

// Base64 of the MD5 of the exact body bytes (the Content-MD5 header value).
std::string ContentMd5(std::string_view body);

// Lower-cases the header names (ASCII) and sorts them by UTF-16 code units; values stay as given.
void CanonicalizeHeaders(std::vector<CanonicalHeader>& headers);

// verb \n md5 \n type \n date \n, then "name:value\n" per canonical header, then the resource.
std::string StringToSign(SigningInput input);

// Base64 HMAC-SHA1 of the text with the secret as key.
std::string SignText(std::string_view stringToSign, const AccessKeys& keys);

// The Authorization header value: "ZYM " + id + ":" + signature.
std::string BuildAuthorization(SigningInput input, const AccessKeys& keys);

// The signature behind the page function getSignature. `jsonArgs` is the page's JSON object with
// "verb", "content_md5", "content_type", "expires", "canonicalized_resource" and
// "canonicalized_zym_headers"; the expiry stands where the date would. Returns the Base64
// signature alone, or empty when the argument is not a JSON object.
std::string SignExpiring(std::string_view jsonArgs, const AccessKeys& keys);

// The query-style signature behind the page function getRamSignature: parameters sorted by name,
// percent-encoded into a canonical query, signed as method&%2F&encoded-query with the key
// secret + "&". Returns empty when `jsonParams` is not a JSON object.
std::string SignRpc(std::string_view method, std::string_view jsonParams, const AccessKeys& keys);
std::string SignRpc(std::string_view method, std::vector<std::pair<std::string, std::string>> params,
                    const AccessKeys& keys);

} // namespace zym
