#pragma once
// Shared pieces of the queueing tests: a scratch folder, a real transfer database in it, and an
// adding bracket that records how it was used.
#include "transfer/adding_bracket.h"
#include "store/trans_database.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <unistd.h>
#include <vector>

namespace zymtest {

struct RecordingBracket : zym::AddingBracket
{
    int begins = 0;
    int ends = 0;
    int open = 0;
    void BeginAdding() override
    {
        ++begins;
        ++open;
    }
    void EndAdding() override
    {
        ++ends;
        --open;
    }
};

class ScratchFolder
{
public:
    ScratchFolder()
    {
        char stem[] = "/tmp/zym-queue-XXXXXX";
        root_ = ::mkdtemp(stem);
    }
    ~ScratchFolder() { std::filesystem::remove_all(root_); }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    std::string Path(const std::string& relative = "") const
    {
        return relative.empty() ? root_ : root_ + "/" + relative;
    }
    void File(const std::string& relative, const std::string& body = "x") const
    {
        std::filesystem::create_directories(std::filesystem::path(Path(relative)).parent_path());
        std::ofstream(Path(relative), std::ios::binary) << body;
    }
    void Folder(const std::string& relative) const { std::filesystem::create_directories(Path(relative)); }

private:
    std::string root_;
};

// Every row of a table's file connection, as (object or fullpath) texts in id order.
inline std::vector<std::string> Column(zym::CTransDatabase& db, const std::string& sql)
{
    zym::SQLiteRecordSet rs;
    std::vector<std::string> out;
    if (!db.FileConnection().Query(sql, rs)) {
        ADD_FAILURE() << "query failed: " << sql;
        return out;
    }
    while (rs.NextRow()) {
        out.push_back(rs.GetText(0));
    }
    return out;
}

} // namespace zymtest
