// Signs 1,000,000 typical request strings (object GETs and PUTs, part uploads and copies with
// x-zym- headers) and prints signatures per second on one thread.
#include "service/signer.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

int main(int argc, char** argv)
{
    const long count = argc > 1 ? std::atol(argv[1]) : 1000000;
    const zym::AccessKeys keys{"AKIDEXAMPLE12345", "wJalrXUtnFEMI/K7MDENG/bPxRfiCYEXAMPLEKEY"};
    const std::string date = zym::FormatGmtDate(static_cast<std::time_t>(1796763909));

    std::vector<zym::SigningInput> inputs(4);
    inputs[0] = {"GET", "", "", date, "/photos/2026/holiday/IMG_0042.jpg", {}};
    inputs[1] = {"PUT", "XrY7u+Ae7tCTyyK7j1rNww==",          "image/jpeg",
                 date,  "/photos/2026/holiday/IMG_0043.jpg", {}};
    inputs[2] = {"PUT",
                 "",
                 "video/mp4",
                 date,
                 "/videos/talk.mp4?partNumber=17&uploadId=0004B9894A22E5B1888A1E29F8236E2D",
                 {}};
    inputs[3] = {
        "PUT",
        "",
        "application/pdf",
        date,
        "/archive/reports/q3.pdf?partNumber=2&uploadId=0004B9894A22E5B1888A1E29F8236E2D",
        {{"X-Zym-Copy-Source-Range", "bytes=104857600-209715199"}, {"X-Zym-Copy-Source", "/reports/q3.pdf"}}};

    std::size_t checksum = 0; // keeps the work from being optimised away
    const auto start = std::chrono::steady_clock::now();
    for (long i = 0; i < count; ++i) {
        checksum += zym::BuildAuthorization(inputs[static_cast<std::size_t>(i) % inputs.size()], keys).size();
    }
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;

    std::printf("%ld signatures in %.3f s: %.0f signatures/second (checksum %zu)\n", count, elapsed.count(),
                static_cast<double>(count) / elapsed.count(), checksum);
    return 0;
}
