#include "service/content_type.h"
#include "test_paths.h"

#include <algorithm>
#include <fstream>
#include <gtest/gtest.h>
#include <set>
#include <sstream>
#include <string>

using namespace zym;

namespace {

// The rows the client has always sent; they must survive any regeneration of the table.
const std::pair<const char*, const char*> kFixedGroups[] = {
    {".txt .text .conf .def .in .ini .list .log .md .markdown .cs .php .rb .asp .aspx .asa .ascx .ashx .asmx "
     ".axd",
     "text/plain"},
    {".bin .so .asax .bpk .crx .deploy .dist .distz .dms .dump .elc .hta .ipa .lrf .mar .phar .pkg "
     ".safariextz",
     "application/octet-stream"},
    {".exe .dll .msi .com .bat", "application/x-msdownload"},
    {".c .cc .cpp .cxx .h .hh .dic", "text/x-c"},
    {".htm .html", "text/html"},
    {".js", "text/javascript"},
    {".json", "application/json"},
    {".xml", "application/xml"},
    {".css", "text/css"},
    {".jpg .jpeg .jpe", "image/jpeg"},
    {".png", "image/png"},
    {".gif", "image/gif"},
    {".svg", "image/svg+xml"},
    {".ico", "image/x-icon"},
    {".pdf", "application/pdf"},
    {".doc", "application/msword"},
    {".docx", "application/vnd.openxmlformats-officedocument.wordprocessingml.document"},
    {".xls", "application/vnd.ms-excel"},
    {".xlsx", "application/vnd.openxmlformats-officedocument.spreadsheetml.sheet"},
    {".ppt", "application/vnd.ms-powerpoint"},
    {".pptx", "application/vnd.openxmlformats-officedocument.presentationml.presentation"},
    {".zip", "application/zip"},
    {".rar", "application/x-rar-compressed"},
    {".7z", "application/x-7z-compressed"},
    {".gz", "application/x-gzip"},
    {".mp3", "audio/mpeg"},
    {".mp4", "video/mp4"},
    {".avi", "video/x-msvideo"},
    {".flv", "video/x-flv"},
    {".apk", "application/vnd.android.package-archive"},
    {".iso", "application/x-iso9660-image"},
    {".torrent", "application/x-bittorrent"},
    {".m3u8", "application/vnd.apple.mpegurl"},
    {".woff", "application/x-font-woff"},
    {".ttf", "application/x-font-ttf"},
    {".123", "application/vnd.lotus-1-2-3"},
    {".yaml .yml", "text/yaml"},
    {".z1 .z2 .z3 .z4 .z5 .z6 .z7 .z8", "application/x-zmachine"},
};

} // namespace

TEST(ContentType, TableHoldsExactlyTheListedExtensions)
{
    const auto table = ContentTypeTable();
    ASSERT_EQ(table.size(), 1022u);
    std::set<std::string> fromTable;
    for (std::size_t i = 0; i < table.size(); ++i) {
        fromTable.insert(std::string(table[i].extension));
        if (i > 0) {
            EXPECT_LT(table[i - 1].extension, table[i].extension)
                << "sorted and unique, or lookups miss rows";
        }
        EXPECT_FALSE(table[i].type.empty());
        EXPECT_EQ(ContentTypeOf("a" + std::string(table[i].extension)), table[i].type);
    }
    std::ifstream list(zymtest::SourceDir() + "/scripts/content-type-extensions.txt");
    ASSERT_TRUE(list.is_open());
    std::set<std::string> listed;
    for (std::string line; std::getline(list, line);) {
        if (!line.empty()) {
            listed.insert(line);
        }
    }
    EXPECT_EQ(listed, fromTable);
}

TEST(ContentType, FixedRowsAreUnchanged)
{
    std::size_t count = 0;
    for (const auto& [group, type] : kFixedGroups) {
        std::istringstream exts(group);
        for (std::string ext; exts >> ext; ++count) {
            EXPECT_EQ(ContentTypeOf("dir/file" + ext), type) << ext;
        }
    }
    EXPECT_EQ(count, 95u);
}

TEST(ContentType, LookupEdgeCases)
{
    const std::pair<const char*, const char*> cases[] = {
        {"photo.JPG", "image/jpeg"},
        {"archive.tar.gz", "application/x-gzip"},
        {"img.d/readme", "application/octet-stream"},
        {"README", "application/octet-stream"},
        {"notes.", "application/octet-stream"},
        {"", "application/octet-stream"},
        {"script.py", "application/octet-stream"},
        {"types.ts", "application/octet-stream"},
        {".txt", "text/plain"},
        {"a/b.c/Movie.Mp4", "video/mp4"},
        {"中文.PnG", "image/png"},
    };
    for (const auto& [key, type] : cases) {
        EXPECT_EQ(ContentTypeOf(key), type) << key;
    }
}

TEST(ContentType, DispositionUsesFormEncodedLastName)
{
    const std::pair<const char*, const char*> cases[] = {
        {"dir/My File.txt", "attachment;filename*=utf-8''My+File.txt"},
        {"plain name.pdf", "attachment;filename*=utf-8''plain+name.pdf"},
        {"a/b/报告*1.doc", "attachment;filename*=utf-8''%E6%8A%A5%E5%91%8A%2A1.doc"},
        {"folder/", "attachment;filename*=utf-8''"},
    };
    for (const auto& [key, value] : cases) {
        EXPECT_EQ(DispositionOf(key), value) << key;
    }
}
