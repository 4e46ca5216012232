#include "platform/digest.h"
#include "platform/machine_id.h"
#include "platform/rc4.h"

#include <gtest/gtest.h>
#include <regex>
#include <vector>

namespace zym {
namespace {

using std::chrono::milliseconds;

struct Script
{
    std::vector<std::optional<std::uint32_t>> answers; // one per attempt; missing ones fail
    int calls = 0;
    std::vector<milliseconds> waits;

    VolumeIdReader Reader()
    {
        return [this]() -> std::optional<std::uint32_t> {
            const auto i = static_cast<std::size_t>(calls++);
            return i < answers.size() ? answers[i] : std::nullopt;
        };
    }
    RetryWait Wait()
    {
        return [this](milliseconds d) {
            waits.push_back(d);
        };
    }
};

TEST(MachineIdentifier, RetriesAndFallsBack)
{
    struct Case
    {
        std::vector<std::optional<std::uint32_t>> answers;
        std::string text;
        int calls;
        int waits;
    };
    const Case cases[] = {
        {{0x12345678u}, "305419896", 1, 0},
        {{0xFFFFFFFFu}, "-1", 1, 0}, // printed as a signed number
        {{0x80000000u}, "-2147483648", 1, 0},
        {{std::nullopt, 7u}, "7", 2, 1},
        {{std::nullopt, std::nullopt, 0u}, "0", 3, 2},
        {{}, std::string(kCheckWord), 3, 3}, // the third failure waits too
    };
    for (const Case& c : cases) {
        Script s{c.answers};
        EXPECT_EQ(ReadMachineIdentifier(s.Reader(), s.Wait()), c.text);
        EXPECT_EQ(s.calls, c.calls) << c.text;
        ASSERT_EQ(static_cast<int>(s.waits.size()), c.waits) << c.text;
        for (milliseconds w : s.waits) {
            EXPECT_EQ(w, milliseconds(1000));
        }
    }
}

TEST(MachineIdentifier, RealMachineIsStable)
{
    const std::optional<std::uint32_t> first = ReadRootVolumeId();
    ASSERT_TRUE(first.has_value()); // this machine's root file system or /etc/machine-id answers
    EXPECT_EQ(ReadRootVolumeId(), first);
    EXPECT_EQ(MachineIdentifier(), std::to_string(static_cast<std::int32_t>(*first)));
    EXPECT_EQ(&MachineIdentifier(), &MachineIdentifier());
}

TEST(MachineIdentifier, MachineIdIsSha1HexIdentifier)
{
    EXPECT_EQ(MachineId(), Sha1Hex(MachineIdentifier()));
    EXPECT_TRUE(std::regex_match(MachineId(), std::regex("[0-9a-f]{40}")));
    EXPECT_EQ(MachineId(), MachineId());
}

} // namespace
} // namespace zym
