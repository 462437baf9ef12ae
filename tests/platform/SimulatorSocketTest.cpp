#include "platform/sim/SimulatorSocket.h"

#include <gtest/gtest.h>

#include <unistd.h>
#include <cstdlib>

namespace {

using namespace platform;

TEST(SimulatorSocketPath, EnvironmentFirstThenRuntimeFolderThenTmp) {
    const char* savedSocket = std::getenv("MIROVANLE_SIM_SOCKET");
    const char* savedRuntime = std::getenv("XDG_RUNTIME_DIR");
    std::string keepSocket = savedSocket ? savedSocket : "",
                keepRuntime = savedRuntime ? savedRuntime : "";

    ::setenv("MIROVANLE_SIM_SOCKET", "/x/y.sock", 1);
    ::setenv("XDG_RUNTIME_DIR", "/run/user/7", 1);
    EXPECT_EQ(SimulatorSocketPath(), "/x/y.sock");
    ::setenv("MIROVANLE_SIM_SOCKET", "", 1);
    EXPECT_EQ(SimulatorSocketPath(), "/run/user/7/mirovanle-sim.sock");
    ::unsetenv("XDG_RUNTIME_DIR");
    EXPECT_EQ(SimulatorSocketPath(), "/tmp/mirovanle-sim-" + std::to_string(::getuid()) + ".sock");

    savedSocket ? ::setenv("MIROVANLE_SIM_SOCKET", keepSocket.c_str(), 1)
                : ::unsetenv("MIROVANLE_SIM_SOCKET");
    savedRuntime ? ::setenv("XDG_RUNTIME_DIR", keepRuntime.c_str(), 1)
                 : ::unsetenv("XDG_RUNTIME_DIR");
}

TEST(ProtocolWords, NumbersParseWholeOrNotAtAll) {
    uint64_t v = 0;
    EXPECT_TRUE(ParseUnsigned("114", 114, &v));
    EXPECT_EQ(v, 114u);
    EXPECT_TRUE(ParseUnsigned("0xFFC0", 0xFFFF, &v));
    EXPECT_EQ(v, 0xFFC0u);
    for (const char* bad : {"", "115", "-1", "1 ", "0x", "12a", "0x1G", "99999999999999999999999"})
        EXPECT_FALSE(ParseUnsigned(bad, 114, &v)) << bad;
    EXPECT_TRUE(ParseUnsigned("18446744073709551615", UINT64_MAX, &v));
    EXPECT_FALSE(ParseUnsigned("18446744073709551616", UINT64_MAX, &v));

    int32_t s = 0;
    EXPECT_TRUE(ParseSigned32("0xE00002D6", &s));
    EXPECT_EQ(s, static_cast<int32_t>(0xE00002D6));
    EXPECT_TRUE(ParseSigned32("-536870186", &s));
    EXPECT_EQ(s, static_cast<int32_t>(0xE00002D6));
    EXPECT_FALSE(ParseSigned32("2147483648", &s));
    EXPECT_FALSE(ParseSigned32("0x100000000", &s));

    EXPECT_EQ(SplitWords("  a  bb c "), (std::vector<std::string>{"a", "bb", "c"}));
}

TEST(ProtocolWords, HexDecodesOnlyItsValidPrefixAndNoMoreThanAsked) {
    const uint8_t bytes[] = {0x00, 0xAB, 0xFF};
    EXPECT_EQ(HexEncode(bytes, 3), "00abff");
    EXPECT_EQ(HexDecodePrefix("00abff", 10), std::vector<uint8_t>(bytes, bytes + 3));
    EXPECT_EQ(HexDecodePrefix("00ABff", 2), std::vector<uint8_t>(bytes, bytes + 2));
    EXPECT_EQ(HexDecodePrefix("00a", 10), std::vector<uint8_t>(bytes, bytes + 1));
    EXPECT_EQ(HexDecodePrefix("00-bff", 10), std::vector<uint8_t>(bytes, bytes + 1));
    EXPECT_TRUE(HexDecodePrefix("zz00", 10).empty());
}

TEST(LineChannel, ConnectingToNothingFailsQuickly) {
    LineChannel channel;
    EXPECT_FALSE(channel.Connect("/nonexistent/dir/sim.sock", 100));
    EXPECT_FALSE(channel.Connect(std::string(200, 'x'), 100));  // longer than a socket path may be
    EXPECT_FALSE(channel.SendLine("state", 100));
    std::string line;
    EXPECT_FALSE(channel.ReadLine(&line, 100, 100));
}

}  // namespace
