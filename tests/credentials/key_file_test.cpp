#include "credentials/key_file.h"
#include "credentials/key_file_operations.h"
#include "credentials_fixture.h"
#include "platform/digest.h"

#include <cstdint>
#include <sys/stat.h>

namespace zym {
namespace {

// Reads the layout on its own (not through the program's parser): magic, then three
// length-prefixed blocks, lengths 32-bit little-endian.
struct Layout
{
    std::string magicHex;
    std::vector<std::string> blocks;
    std::size_t end = 0;
};
Layout ReadLayout(const std::string& bytes)
{
    Layout l;
    l.magicHex = HexLower(bytes.substr(0, 16));
    std::size_t pos = 16;
    for (int k = 0; k < 3; ++k) {
        const auto* p = reinterpret_cast<const unsigned char*>(bytes.data() + pos);
        const std::uint32_t n = p[0] | (p[1] << 8) | (p[2] << 16) | (std::uint32_t(p[3]) << 24);
        l.blocks.push_back(bytes.substr(pos + 4, n));
        pos += 4 + n;
    }
    l.end = pos;
    return l;
}

const std::string kDevice = "e3b0c44298fc1c149afbf4c8996fb92427ae41e4";
const std::string kSecret = "0123456789abcdefghijklmnopqrst";

class KeyFileTest : public CredentialsTest
{
protected:
    std::string Save(const std::string& path, const std::string& encoding = kDevice)
    {
        return SaveAuthorization("{\"keyid\":\"AK\",\"keysecret\":\"" + kSecret + "\",\"encoding\":\"" +
                                     encoding + "\"}",
                                 path, language_, log_);
    }
};

TEST_F(KeyFileTest, WrittenFileHasTheLayoutAndOpensOnTheSameMachine)
{
    const std::string path = dir_ + "/zym.key";
    ASSERT_EQ(Save(path), kSuccessReply);
    const std::string bytes = ReadAll(path);
    ASSERT_EQ(bytes.size(), 68u); // 16 + 4 + 8 + 4 + 2 + 4 + 30
    const Layout l = ReadLayout(bytes);
    EXPECT_EQ(l.magicHex, "273b80a0e4ff0b4c9d4f59d28587b09a");
    EXPECT_EQ(l.end, bytes.size());
    // The blocks of the known answers (known_answers.py, first case).
    EXPECT_EQ(HexLower(l.blocks[0]), "35d447a7709851ad");
    EXPECT_EQ(HexLower(l.blocks[1]), "b2ef");
    EXPECT_EQ(HexLower(l.blocks[2]), "3a97e760a0e4284e9e3630e5683ff76feed513068e11a9ea6e824345b5fd");
    struct stat st
    {
    };
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 077, 0u) << "a key file is readable by its owner only";

    const KeyFileLogin read = ReadKeyFileLogin("{\"location\":\"cn-east\"}", path, kDevice, language_, log_);
    EXPECT_EQ(read.reply, "");
    EXPECT_EQ(read.keys.id, "AK");
    EXPECT_EQ(read.keys.secret, kSecret);
    EXPECT_EQ(read.location, "cn-east");
}

TEST_F(KeyFileTest, AnotherMachineAnswersDecryptError)
{
    const std::string path = dir_ + "/zym.key";
    ASSERT_EQ(Save(path), kSuccessReply);
    const KeyFileLogin read = ReadKeyFileLogin("{}", path, "another-machine-id", language_, log_);
    EXPECT_EQ(read.reply, Reply(8, "DecryptError"));
    EXPECT_TRUE(read.keys.secret.empty());
}

TEST_F(KeyFileTest, DamagedFilesAnswerFileError)
{
    const std::string good = FormatKeyFile(*EncryptKeyPair("AK", kSecret, kDevice));
    std::string badMagic = good;
    badMagic[3] ^= 1;
    std::string idPastEnd = good;
    idPastEnd[16 + 4 + 8] = 100; // b = 100
    std::string hugeLength = good;
    hugeLength[16 + 3] = '\xff'; // a = 0xff000008
    struct Case
    {
        const char* name;
        std::string bytes;
    };
    const Case cases[] = {
        {"20 bytes", good.substr(0, 20)},
        {"truncated in the secret block", good.substr(0, good.size() - 1)},
        {"magic differs", badMagic},
        {"id block runs past the end", idPastEnd},
        {"check block length beyond any file", hugeLength},
        {"over 1 MiB", good + std::string(kKeyFileMaxSize, 'x')},
        {"empty", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = dir_ + "/bad.key";
        WriteFile(path, c.bytes);
        EXPECT_EQ(ReadKeyFileLogin("{}", path, kDevice, language_, log_).reply, Reply(5, "FileError"));
    }
}

TEST_F(KeyFileTest, TrailingBytesAreIgnoredAndAnEmptyCheckIsNotTested)
{
    const KeyPairBlocks blocks = *EncryptKeyPair("AK", kSecret, kDevice);
    const std::string path = dir_ + "/x.key";
    WriteFile(path, FormatKeyFile(blocks) + "trailing");
    EXPECT_EQ(ReadKeyFileLogin("{}", path, kDevice, language_, log_).keys.secret, kSecret);
    WriteFile(path, FormatKeyFile({"", blocks.id, blocks.secret}));
    const KeyFileLogin unchecked = ReadKeyFileLogin("{}", path, kDevice, language_, log_);
    EXPECT_EQ(unchecked.reply, "");
    EXPECT_EQ(unchecked.keys.id, "AK");
}

TEST_F(KeyFileTest, MissingFileAnswersFileOpenErrorAndLogsNoSecret)
{
    const KeyFileLogin read = ReadKeyFileLogin("not json", dir_ + "/missing.key", kDevice, language_, log_);
    EXPECT_EQ(read.reply, Reply(2, "FileOpenError"));
    EXPECT_EQ(read.location, "");
    EXPECT_NE(LogText().find("missing.key"), std::string::npos);
}

TEST_F(KeyFileTest, SaveFailuresReplyAndLeaveNoFile)
{
    EXPECT_EQ(SaveAuthorization("{\"keyid\":", dir_ + "/a.key", language_, log_), Reply(1, "JsonError"));
    EXPECT_EQ(Save(dir_ + "/b.key", ""), Reply(7, "EncryptError"));
    const std::string unwritable = dir_ + "/no-such-folder/c.key";
    EXPECT_EQ(Save(unwritable), Reply(3, "FileSaveError"));
    for (const char* name : {"/a.key", "/b.key", "/no-such-folder"}) {
        EXPECT_FALSE(std::filesystem::exists(dir_ + name)) << name;
    }
    const std::string logged = LogText();
    EXPECT_NE(logged.find("no-such-folder/c.key"), std::string::npos);
    EXPECT_EQ(logged.find(kSecret), std::string::npos);
}

} // namespace
} // namespace zym
