// How fast reply bodies are read: a 1,000-entry listing (the largest page the client asks
// for) parsed into CZymListObjectRet, and status lines read from typical header texts.
#include "service/http_transport.h"
#include "service/reply_models.h"

#include <chrono>
#include <cstdio>
#include <string>

int main()
{
    std::string listing = "<?xml version=\"1.0\" encoding=\"UTF-8\"?><ListBucketResult><Name>bucket</Name>"
                          "<Prefix>photos/</Prefix><Marker></Marker><NextMarker>photos/00999.jpg</NextMarker>";
    for (int i = 0; i < 1000; ++i) {
        char key[32];
        std::snprintf(key, sizeof key, "photos/%05d.jpg", i);
        listing += std::string("<Contents><Key>") + key +
                   "</Key><LastModified>2026-12-10T10:00:00.000Z</LastModified>"
                   "<ETag>\"0123456789abcdef0123456789abcdef\"</ETag><Type>Normal</Type><Size>1048576</Size>"
                   "</Contents>";
    }
    listing += "</ListBucketResult>";

    using Clock = std::chrono::steady_clock;
    constexpr int kRounds = 200;
    size_t entries = 0;
    const auto start = Clock::now();
    for (int i = 0; i < kRounds; ++i) {
        zym::CZymListObjectRet list;
        zym::ParseReply(list, listing);
        entries += list.Entries.size();
    }
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    std::printf("listing of 1000 entries (%zu bytes): %.2f ms per page, %.0f entries/s\n", listing.size(),
                seconds * 1000 / kRounds, static_cast<double>(entries) / seconds);

    const std::string headers = "HTTP/1.1 200 OK\r\nx-zym-request-id: 5F3A\r\nContent-Type: application/xml\r\n"
                                "Content-Length: 1234\r\nDate: Thu, 10 Dec 2026 15:00:00 GMT\r\n\r\n";
    constexpr int kStatusRounds = 2'000'000;
    long sum = 0;
    const auto statusStart = Clock::now();
    for (int i = 0; i < kStatusRounds; ++i) {
        sum += zym::StatusFromHeaders(headers);
    }
    const double statusSeconds = std::chrono::duration<double>(Clock::now() - statusStart).count();
    std::printf("status lines: %.0f per second (checksum %ld)\n", kStatusRounds / statusSeconds, sum);
    return 0;
}
