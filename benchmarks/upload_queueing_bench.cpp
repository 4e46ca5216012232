// Queues a local tree for upload the way addFile does (walk, stat, insert into the file and
// the mirror in one transaction) and prints the wall and CPU time. Not a test.
//   upload_queueing_bench [files] [folders] [tree folder to reuse]
// The tree is made once under the temporary folder (or the given folder) and kept, so a second
// run measures a warm walk; the walk alone is timed too, to split file system and store time.
#include "bench_clock.h"
#include "store/trans_database.h"
#include "transfer/upload_queueing.h"

#include <chrono>
#include <cstdio>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using zymbench::CpuSeconds;
using zymbench::Seconds;

struct NoScheduler : zym::AddingBracket
{
    void BeginAdding() override {}
    void EndAdding() override {}
};

void MakeTree(const std::string& root, int files, int folders)
{
    const int perFolder = files / folders;
    for (int f = 0; f < folders; ++f) {
        const std::string folder = root + "/dir" + std::to_string(f);
        std::filesystem::create_directories(folder);
        for (int i = 0; i < perFolder; ++i) {
            const std::string path = folder + "/file " + std::to_string(i) + ".dat";
            const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            if (fd >= 0) {
                ::close(fd);
            }
        }
    }
}

// readdir + stat of every entry, nothing else: the file system's share of the work.
long WalkOnly(const std::string& folder)
{
    long entries = 0;
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr) {
        return 0;
    }
    while (const dirent* e = ::readdir(dir)) {
        const std::string name = e->d_name;
        if (name == "." || name == "..") {
            continue;
        }
        struct stat st
        {
        };
        const std::string path = folder + "/" + name;
        ::stat(path.c_str(), &st);
        ++entries;
        if (S_ISDIR(st.st_mode)) {
            entries += WalkOnly(path);
        }
    }
    ::closedir(dir);
    return entries;
}

} // namespace

int main(int argc, char** argv)
{
    const int files = argc > 1 ? std::atoi(argv[1]) : 100000;
    const int folders = argc > 2 ? std::atoi(argv[2]) : 1000;
    const std::string tree =
        argc > 3 ? argv[3]
                 : (std::filesystem::temp_directory_path() /
                    ("zym-upload-tree-" + std::to_string(files) + "-" + std::to_string(folders)))
                       .string();
    if (!std::filesystem::exists(tree + "/dir0")) {
        const auto start = std::chrono::steady_clock::now();
        MakeTree(tree, files, folders);
        std::printf("made %d files in %d folders under %s: %.3f s\n", files, folders, tree.c_str(),
                    Seconds(start));
    }

    auto start = std::chrono::steady_clock::now();
    const long entries = WalkOnly(tree);
    std::printf("walk only (readdir + stat): %ld entries, %.3f s\n", entries, Seconds(start));

    const std::filesystem::path dbFolder =
        std::filesystem::temp_directory_path() / ("zym-upload-bench-" + std::to_string(::getpid()));
    zym::CTransDatabase db;
    if (!db.Open((dbFolder / "transdb.db").string(), true)) {
        std::fprintf(stderr, "cannot open the database\n");
        return 1;
    }
    NoScheduler bracket;
    zym::UploadQueueLimits limits;
    limits.maxRows = 10'000'000;
    start = std::chrono::steady_clock::now();
    const double cpuStart = CpuSeconds();
    const std::string reply =
        zym::AddUploads(db, bracket, "l1.zym.localhost", "bench", {{"up/tree/", tree}}, limits);
    const double wall = Seconds(start);
    const double cpu = CpuSeconds() - cpuStart;
    std::printf("queued %lld rows for upload (walk, stat, insert): %.3f s wall, %.3f s CPU, reply %s\n",
                static_cast<long long>(db.CountAll().uploads.value_or(-1)), wall, cpu, reply.c_str());
    std::filesystem::remove_all(dbFolder);
    return 0;
}
