#include "framework/Text.h"
#include "restore/Crc32.h"
#include "restore/RememberedServers.h"
#include "restore/RememberedText.h"

#include <gtest/gtest.h>

#include <climits>

namespace {

using brv::RememberedServer;

// Every text the layout must carry as it is.
const std::wstring kAwkward[] = {
    L"",
    L"  blanks  around  ",
    L"[EU] Arena [SERVER]",
    L"Сервер «Южный» №1",
    L"a=b==c=",
    L"C:\\Games\\HLDS\\\\double\\",
    L"\\r is not a line end, \\n neither, \\x41 stays",
    L"line\r\nbreaks\rand\nlone",
    L"tab\there\x01\x1f",
    L"END 1 00000000",
    L"brvServers 1",
    L"emoji \U0001F600 and \u0416",
};

RememberedServer Awkward(int salt) {
    RememberedServer e;
    brvRunSL& r = e.record;
    std::wstring* texts[] = {&r.serverTitle,
                             &r.serverName,
                             &r.ip,
                             &r.port,
                             &r.map,
                             &r.playerCount,
                             &r.rconPassword,
                             &r.gamePassword,
                             &r.extraParams,
                             &r.commandLine,
                             &r.channelArgs,
                             &r.workDir,
                             &r.serverExePath,
                             &r.profilePath,
                             &r.serverConfigPath,
                             &r.generatedConfigPath,
                             &r.consoleCommand,
                             &r.selectedServerTitle};
    const size_t n = std::size(kAwkward);
    for (size_t i = 0; i < std::size(texts); ++i) {
        *texts[i] = kAwkward[(i + static_cast<size_t>(salt)) % n] + std::to_wstring(i);
    }
    r.gamePassword.clear(); // an empty value among the others
    r.startMapIndex = -1 - salt;
    r.activeServerIndex = INT32_MAX - salt;
    r.networkType = salt % 2;
    e.processId = 4000000000u + static_cast<uint32_t>(salt);
    e.creationTime = UINT64_MAX - static_cast<uint64_t>(salt);
    e.priorityClass = 0x80;
    e.serverMapping = INT64_MIN + salt;
    e.serverParentEvent = 0;
    e.serverChildEvent = 1234 + salt;
    return e;
}

void ExpectSameEntry(const RememberedServer& a, const RememberedServer& b) {
    const brvRunSL &x = a.record, &y = b.record;
    EXPECT_EQ(x.serverTitle, y.serverTitle);
    EXPECT_EQ(x.serverName, y.serverName);
    EXPECT_EQ(x.ip, y.ip);
    EXPECT_EQ(x.port, y.port);
    EXPECT_EQ(x.map, y.map);
    EXPECT_EQ(x.playerCount, y.playerCount);
    EXPECT_EQ(x.rconPassword, y.rconPassword);
    EXPECT_EQ(x.gamePassword, y.gamePassword);
    EXPECT_EQ(x.extraParams, y.extraParams);
    EXPECT_EQ(x.commandLine, y.commandLine);
    EXPECT_EQ(x.channelArgs, y.channelArgs);
    EXPECT_EQ(x.workDir, y.workDir);
    EXPECT_EQ(x.serverExePath, y.serverExePath);
    EXPECT_EQ(x.profilePath, y.profilePath);
    EXPECT_EQ(x.serverConfigPath, y.serverConfigPath);
    EXPECT_EQ(x.generatedConfigPath, y.generatedConfigPath);
    EXPECT_EQ(x.consoleCommand, y.consoleCommand);
    EXPECT_EQ(x.selectedServerTitle, y.selectedServerTitle);
    EXPECT_EQ(x.startMapIndex, y.startMapIndex);
    EXPECT_EQ(x.activeServerIndex, y.activeServerIndex);
    EXPECT_EQ(x.networkType, y.networkType);
    EXPECT_EQ(a.processId, b.processId);
    EXPECT_EQ(a.creationTime, b.creationTime);
    EXPECT_EQ(a.priorityClass, b.priorityClass);
    EXPECT_EQ(a.serverMapping, b.serverMapping);
    EXPECT_EQ(a.serverParentEvent, b.serverParentEvent);
    EXPECT_EQ(a.serverChildEvent, b.serverChildEvent);
}

// Closes a text of entries with a correct end line, as if the writer had written it.
std::string Sealed(const std::wstring& body, size_t count) {
    const uint32_t crc = brv::Crc32(brv::ToUtf16Le(body));
    return brv::ToUtf16Le(body + L"END " + std::to_wstring(count) + L" " + brv::Hex32(crc) + L"\r\n");
}

// The text of one valid entry without its end line.
std::wstring BodyOf(const RememberedServer& e) {
    std::wstring text = brv::ComposeRemembered({e});
    return text.substr(0, text.rfind(L"END "));
}

} // namespace

TEST(RememberedLayout, EveryFieldOfEveryEntrySurvivesWritingAndReading) {
    std::vector<RememberedServer> in = {Awkward(0), Awkward(5), Awkward(11)};
    brv::RememberedRead read = brv::ReadRemembered(brv::RememberedBytes(in));
    ASSERT_TRUE(read.valid) << brv::ToUtf8(read.reason);
    EXPECT_TRUE(read.reason.empty());
    ASSERT_EQ(read.servers.size(), in.size());
    for (size_t i = 0; i < in.size(); ++i) {
        ExpectSameEntry(in[i], read.servers[i]);
    }
    // Written again, the bytes are the same: one list has one spelling.
    EXPECT_EQ(brv::RememberedBytes(read.servers), brv::RememberedBytes(in));
}

TEST(RememberedLayout, AnEmptyListIsAValidFileOfThreeParts) {
    const std::wstring text = brv::ComposeRemembered({});
    EXPECT_EQ(text.substr(0, 14), L"brvServers 1\r\n");
    EXPECT_EQ(text.substr(14, 6), L"END 0 ");
    brv::RememberedRead read = brv::ReadRemembered(brv::ToUtf16Le(text));
    EXPECT_TRUE(read.valid);
    EXPECT_TRUE(read.servers.empty());
}

TEST(RememberedLayout, LinesAreKeyValueWithEscapesAndTheEndLineCarriesCountAndCrc) {
    RememberedServer e;
    e.record.serverName = L"a\\b\r\nc=d";
    e.record.serverTitle = L"a\\b\r\nc=d - 27015";
    e.processId = 77;
    const std::wstring text = brv::ComposeRemembered({e});
    EXPECT_NE(text.find(L"\r\n[SERVER]\r\npid=77\r\ncreated=0\r\n"), std::wstring::npos);
    EXPECT_NE(text.find(L"\r\nname=a\\\\b\\r\\nc=d\r\n"), std::wstring::npos);
    const size_t end = text.rfind(L"END 1 ");
    ASSERT_NE(end, std::wstring::npos);
    EXPECT_EQ(text.substr(end + 6), brv::Hex32(brv::Crc32(brv::ToUtf16Le(text.substr(0, end)))) + L"\r\n");
    EXPECT_EQ(brv::Crc32("123456789"), 0xCBF43926u); // the check value of this CRC
}

TEST(RememberedLayout, NoTruncationOfAValidFileIsEverRead) {
    const std::string bytes = brv::RememberedBytes({Awkward(1), Awkward(2)});
    for (size_t n = 0; n < bytes.size(); ++n) {
        brv::RememberedRead read = brv::ReadRemembered(std::string_view(bytes).substr(0, n));
        ASSERT_FALSE(read.valid) << "cut at " << n;
        EXPECT_TRUE(read.servers.empty());
        EXPECT_FALSE(read.reason.empty()) << "cut at " << n;
    }
    EXPECT_EQ(brv::ToUtf8(brv::ReadRemembered(bytes.substr(0, bytes.size() / 2)).reason).find("оборван") !=
                  std::string::npos,
              true);
    EXPECT_EQ(brv::ToUtf8(brv::ReadRemembered("").reason), "файл пуст");
}

TEST(RememberedLayout, AnyChangedBitOrAddedByteIsRefused) {
    const std::string bytes = brv::RememberedBytes({Awkward(3)});
    for (size_t i = 0; i < bytes.size(); ++i) {
        for (int bit : {0, 5}) {
            std::string bad = bytes;
            bad[i] = static_cast<char>(bad[i] ^ (1 << bit));
            ASSERT_FALSE(brv::ReadRemembered(bad).valid) << "byte " << i << " bit " << bit;
        }
    }
    EXPECT_FALSE(brv::ReadRemembered(bytes + "x").valid);
    EXPECT_FALSE(brv::ReadRemembered(bytes + brv::ToUtf16Le(L"[SERVER]\r\n")).valid);
    std::string bad = bytes;
    bad[40] = static_cast<char>(bad[40] ^ 1);
    EXPECT_NE(brv::ToUtf8(brv::ReadRemembered(bad).reason).find("контрольная сумма"), std::string::npos);
}

TEST(RememberedLayout, OlderUnknownAndForeignLayoutsAreRefusedWithTheirReason) {
    const std::wstring body = BodyOf(Awkward(4)).substr(14); // the entry without the layout line
    struct Case {
        std::wstring first;
        const char* reason;
    };
    for (const Case& c : {Case{L"brvServers 0", "формат «0» не поддерживается"},
                          Case{L"brvServers 2", "формат «2» не поддерживается (ожидается 1)"},
                          Case{L"brvServers 01", "формат «01»"}, Case{L"brvServers", "не список серверов"},
                          Case{L"[NAMESERVER]", "не список серверов"}, Case{L"", "не список серверов"}}) {
        brv::RememberedRead read = brv::ReadRemembered(Sealed(c.first + L"\r\n" + body, 1));
        EXPECT_FALSE(read.valid) << brv::ToUtf8(c.first);
        EXPECT_NE(brv::ToUtf8(read.reason).find(c.reason), std::string::npos) << brv::ToUtf8(read.reason);
    }
    // An older layout without an end line at all still names its layout, not a damage.
    brv::RememberedRead old = brv::ReadRemembered(brv::ToUtf16Le(L"brvServers 0\r\n[SERVER]\r\npid=1\r\n"));
    EXPECT_NE(brv::ToUtf8(old.reason).find("формат «0»"), std::string::npos);
}

TEST(RememberedLayout, AWellSealedFileWithAnyOtherSpellingIsRefused) {
    const std::wstring good = BodyOf(Awkward(6));
    ASSERT_TRUE(brv::ReadRemembered(Sealed(good, 1)).valid);
    auto replaced = [&](const std::wstring& from, const std::wstring& to) {
        std::wstring t = good;
        size_t at = t.find(from);
        EXPECT_NE(at, std::wstring::npos) << brv::ToUtf8(from);
        return t.replace(at, from.size(), to);
    };
    const std::wstring pid = L"pid=" + std::to_wstring(Awkward(6).processId);
    struct Case {
        std::wstring text;
        size_t count;
        const char* reason;
    };
    for (const Case& c : {
             Case{good, 2, "записей 2, а в файле 1"},
             Case{good + good.substr(14), 1, "записей 1, а в файле 2"},
             Case{replaced(pid, L"pid=0" + pid.substr(4)), 1, "недопустимое число «pid»"},
             Case{replaced(pid, L"pid=+1"), 1, "недопустимое число «pid»"},
             Case{replaced(pid, L"pid=4294967296"), 1, "недопустимое число «pid»"},
             Case{replaced(L"\r\nstartmap=", L"\r\nstartmap=-0\r\nx="), 1, "недопустимое число «startmap»"},
             Case{replaced(L"\r\nnetwork=0", L"\r\nnetwork=2147483648"), 1, "вне допустимого диапазона"},
             Case{replaced(L"\r\nname=", L"\r\nName="), 1, "ожидалось «name=»"},
             Case{replaced(L"\r\nname=", L"\r\nname=\\q"), 1, "недопустимая запись значения «name»"},
             Case{replaced(L"\r\nname=", L"\r\nname=\t"), 1, "недопустимая запись значения «name»"},
             Case{replaced(L"\r\nname=", L"\r\nname=\\x0D"), 1, "недопустимая запись значения «name»"},
             Case{replaced(L"\r\nname=", L"\r\nname=\\x1"), 1, "недопустимая запись значения «name»"},
             Case{replaced(L"[SERVER]", L"[server]"), 1, "ожидалось «[SERVER]»"},
         }) {
        brv::RememberedRead read = brv::ReadRemembered(Sealed(c.text, c.count));
        EXPECT_FALSE(read.valid) << c.reason;
        EXPECT_NE(brv::ToUtf8(read.reason).find(c.reason), std::string::npos)
            << "want " << c.reason << ", got " << brv::ToUtf8(read.reason);
    }
    // A bare line feed or carriage return inside the file is damage, whatever the checksum says.
    for (const std::wstring& lone : {std::wstring(L"\n"), std::wstring(L"\r")}) {
        std::wstring t = good;
        t.insert(t.find(L"\r\nmap=") + 2, L"x" + lone);
        EXPECT_FALSE(brv::ReadRemembered(Sealed(t, 1)).valid);
    }
}

TEST(RememberedLayout, EscapesAreExactInversesForEveryControlCharacter) {
    std::wstring all;
    for (wchar_t c = 0; c < 0x80; ++c) {
        all.push_back(c);
    }
    const std::wstring escaped = brv::EscapeValue(all);
    for (wchar_t c : escaped) {
        EXPECT_GE(static_cast<uint32_t>(c), 0x20u);
    }
    std::wstring back;
    ASSERT_TRUE(brv::UnescapeValue(escaped, back));
    EXPECT_EQ(back, all);
    EXPECT_FALSE(brv::UnescapeValue(L"ends with \\", back));
    EXPECT_FALSE(brv::UnescapeValue(L"\\x2", back));
    EXPECT_FALSE(brv::UnescapeValue(L"\\x20", back)); // a blank is never escaped
    EXPECT_FALSE(brv::UnescapeValue(L"\\x0a", back)); // lower-case hex is not the writer's
}

TEST(RememberedEntry, HandleValuesAreTheServersOwnAndTheRunningStateIsLeftOut) {
    brvRunSL r;
    r.serverName = L"Arena";
    r.channelArgs = L" -HFILE 120 -HPARENT 124 -HCHILD 128";
    r.mapping = reinterpret_cast<brvHandle>(0x3F0); // this Brivan's own, after an adoption
    r.parentEvent = reinterpret_cast<brvHandle>(0x3F4);
    r.childEvent = reinterpret_cast<brvHandle>(0x3F8);
    r.process = reinterpret_cast<brvHandle>(0x400);
    r.processId = 99;
    r.consoleWindow = reinterpret_cast<brvWindow>(0x1234);
    r.launchResult = 1;
    RememberedServer e = brv::RememberServer(r, 99, 5, 0x20);
    EXPECT_EQ(e.serverMapping, 120);
    EXPECT_EQ(e.serverParentEvent, 124);
    EXPECT_EQ(e.serverChildEvent, 128);
    EXPECT_EQ(e.processId, 99u);
    EXPECT_EQ(e.record.serverName, L"Arena");
    EXPECT_EQ(e.record.mapping, nullptr);
    EXPECT_EQ(e.record.process, nullptr);
    EXPECT_EQ(e.record.consoleWindow, nullptr);
    EXPECT_EQ(e.record.processId, 0u);
    EXPECT_EQ(e.record.launchResult, 0);

    // Without channel arguments the record's own values are the server's (a fresh launch).
    r.channelArgs.clear();
    e = brv::RememberServer(r, 99, 5, 0x20);
    EXPECT_EQ(e.serverMapping, 0x3F0);
    EXPECT_EQ(e.serverChildEvent, 0x3F8);
}

TEST(RememberedEntry, ChannelArgumentsAreReadOnlyInTheLaunchsOwnForm) {
    int64_t a = 0, b = 0, c = 0;
    EXPECT_TRUE(brv::ParseChannelArgs(L" -HFILE 4 -HPARENT -8 -HCHILD 2147483647", a, b, c));
    EXPECT_EQ(a, 4);
    EXPECT_EQ(b, -8);
    EXPECT_EQ(c, 2147483647);
    for (const wchar_t* bad :
         {L"", L" -HFILE 4 -HPARENT 8", L" -HFILE 4 -HPARENT 8 -HCHILD 12 ",
          L"-HFILE 4 -HPARENT 8 -HCHILD 12", L" -HFILE x -HPARENT 8 -HCHILD 12",
          L" -HFILE 4 -HPARENT 8 -HCHILD 2147483648", L" -HFILE 04 -HPARENT 8 -HCHILD 12"}) {
        EXPECT_FALSE(brv::ParseChannelArgs(bad, a, b, c)) << brv::ToUtf8(bad);
    }
    EXPECT_EQ(brv::RememberedFilePath(L"C:\\srv"), L"C:\\srv\\brvServers.txt");
    EXPECT_EQ(brv::RememberedFilePath(L"C:\\"), L"C:\\brvServers.txt");
}
