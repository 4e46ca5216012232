// Runs a fuzz target once over every file of the folders named on the command line (a missing
// folder is skipped). A crash or a failed check in the target ends the program abnormally,
// which fails the test; otherwise it prints how many inputs it fed.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

int main(int argc, char** argv)
{
    std::size_t fed = 0;
    for (int a = 1; a < argc; ++a) {
        std::error_code ec;
        if (!std::filesystem::is_directory(argv[a], ec)) {
            continue;
        }
        std::vector<std::filesystem::path> files;
        for (const auto& entry : std::filesystem::directory_iterator(argv[a])) {
            if (entry.is_regular_file()) {
                files.push_back(entry.path());
            }
        }
        std::sort(files.begin(), files.end());
        for (const auto& file : files) {
            std::ifstream in(file, std::ios::binary);
            const std::vector<char> bytes{std::istreambuf_iterator<char>(in),
                                          std::istreambuf_iterator<char>()};
            std::printf("%s\n", file.filename().c_str());
            std::fflush(stdout);
            LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
            ++fed;
        }
    }
    std::printf("replayed %zu inputs\n", fed);
    return fed == 0 ? 1 : 0; // an empty corpus means the folders are wrong
}
