#pragma once
// Where a test finds the checkout and the build folder. The build names both relative to the test
// program's own folder, so a test's compiled code is the same in every checkout and the compiler
// cache reuses it across clones; the paths are made absolute here, from /proc/self/exe.
#include <filesystem>
#include <string>

namespace zymtest {

inline std::string FromTestProgram(const char* relative)
{
    static const std::filesystem::path folder = std::filesystem::read_symlink("/proc/self/exe").parent_path();
    std::string path = (folder / relative).lexically_normal().string();
    while (path.size() > 1 && path.back() == '/') {
        path.pop_back();
    }
    return path;
}

// The checkout ("<checkout>/language/default-en.xml") and the build folder ("<build>/bin").
inline const std::string& SourceDir()
{
    static const std::string dir = FromTestProgram(ZYM_SOURCE_FROM_TEST);
    return dir;
}
inline const std::string& BinaryDir()
{
    static const std::string dir = FromTestProgram(ZYM_BINARY_FROM_TEST);
    return dir;
}

} // namespace zymtest
