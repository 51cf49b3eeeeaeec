#include "standin/StandinCommands.h"

#include <gtest/gtest.h>

using namespace standin;

TEST(StandinCommands, EachWordAsTheChannelHandsItOver) {
    struct {
        const char* line;
        CommandKind kind;
    } cases[] = {
        {"status \n", CommandKind::Status},
        {"quit \n", CommandKind::Quit},
        {"crash \n", CommandKind::Crash},
        {"crash2 \n", CommandKind::Crash2},
        {"launcher_error \n", CommandKind::LauncherError},
        {"access_violation \r\n", CommandKind::AccessViolation},
        {"  hang", CommandKind::Hang},
        {"console_mode \n", CommandKind::ConsoleMode},
        {"Status \n", CommandKind::Other}, // the words are exact
        {"crash3 \n", CommandKind::Other},
        {"hangs \n", CommandKind::Other},
        {"say hang \n", CommandKind::Other},
        {"", CommandKind::Other},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ParseCommand(c.line).kind, c.kind) << c.line;
    }
    EXPECT_EQ(ParseCommand(" say  hi \n").text, "say  hi");
}

TEST(StandinCommands, StallTakesWholeSecondsWithinItsBound) {
    Command c = ParseCommand("stall 2 \n");
    EXPECT_EQ(c.kind, CommandKind::Stall);
    EXPECT_EQ(c.seconds, 2u);
    EXPECT_EQ(ParseCommand("stall\t0").seconds, 0u);
    EXPECT_EQ(ParseCommand("stall\t0").kind, CommandKind::Stall);
    EXPECT_EQ(ParseCommand("stall 3600").seconds, 3600u);
    for (const char* bad : {"stall", "stall \n", "stall 3601", "stall -1", "stall 1.5", "stall x", "stall2",
                            "stall 99999999999999999999"}) {
        EXPECT_EQ(ParseCommand(bad).kind, CommandKind::Other) << bad;
    }
}

TEST(StandinCommands, DieFileCodes) {
    EXPECT_EQ(DieFileFor(L"27015"), L"standin-27015.die");
    EXPECT_EQ(DieExitCode("7"), 7u);
    EXPECT_EQ(DieExitCode(" 42\r\n"), 42u);
    EXPECT_EQ(DieExitCode("0"), 0u);
    EXPECT_EQ(DieExitCode("-1"), 0xFFFFFFFFu);
    EXPECT_EQ(DieExitCode("0xC0000005"), 0xC0000005u);
    EXPECT_EQ(DieExitCode("0Xc0000409\n"), 0xC0000409u);
    EXPECT_EQ(DieExitCode("4294967295"), 0xFFFFFFFFu);
    // No number in it: the code says "ended at once on request" all the same.
    for (const char* none :
         {"", "\r\n", "x", "0x", "0xG1", "4294967296", "12 34", "-", "--1", "0x100000000"}) {
        EXPECT_EQ(DieExitCode(none), 1u) << none;
    }
}
