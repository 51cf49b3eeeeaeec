#include "WinTestDir.h"
#include "framework/Messages.h"
#include "profile/ProfileFile.h"
#include "res/resource.h"

#include <algorithm>

namespace {

using brvtest::WinTestDir;
using ProfileFile = WinTestDir;

std::string DefaultResourceBytes() {
    HRSRC r = FindResourceExW(nullptr, L"ID_FILE_TXT_BRIVAN", MAKEINTRESOURCEW(IDR_DEFAULT_PROFILE), 1049);
    if (r == nullptr) {
        return {};
    }
    const void* p = LockResource(LoadResource(nullptr, r));
    return std::string(static_cast<const char*>(p), SizeofResource(nullptr, r));
}

constexpr DWORD kHiddenSystem = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;

} // namespace

TEST_F(ProfileFile, FirstStartCreatesTheDefaultHiddenAndSystemAndReadsIt) {
    WriteBytes(Path(L"hlds.exe"), "");
    brvRunSL r;
    ProfileLists l;
    ASSERT_TRUE(brv::LoadProfile(r, l));
    EXPECT_TRUE(m_reports.empty());

    const std::string resource = DefaultResourceBytes();
    ASSERT_GT(resource.size(), 2u);
    EXPECT_EQ(ReadBytes(Path(L"brvBrivan3.txt")), resource);
    EXPECT_EQ(GetFileAttributesW(Path(L"brvBrivan3.txt").c_str()) & kHiddenSystem, kHiddenSystem);

    EXPECT_EQ(r.workDir, m_dir);
    EXPECT_EQ(std::wstring(r.workDirBuffer.data()), m_dir);
    EXPECT_EQ(r.serverExePath, m_dir + L"\\hlds.exe");
    EXPECT_EQ(r.profilePath, m_dir + L"\\brvBrivan3.txt");
    EXPECT_EQ(r.serverConfigPath, m_dir + L"\\server.cfg");
    EXPECT_EQ(r.generatedConfigPath, m_dir + L"\\Brivan.cfg");
    EXPECT_EQ(r.serverName, L"Harrowgate Arena"); // the default's byte-order mark is not part of the header
    EXPECT_EQ(r.playerCount, L"24");
    EXPECT_EQ(l.setmasters.size(), 52u);
    EXPECT_EQ(l.selections, (std::vector<int32_t>{0, 1, 1, 1}));

    auto names = Names(m_dir);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::wstring>{L"brvBrivan3.txt", L"hlds.exe"}));
}

TEST_F(ProfileFile, MissingServerExeRefusesWithTheDirectoryAndCreatesNothing) {
    brvRunSL r;
    ProfileLists l;
    EXPECT_FALSE(brv::LoadProfile(r, l));
    ASSERT_EQ(m_reports.size(), 1u);
    EXPECT_EQ(m_reports[0].text, L"hlds.exe по данному пути отсутствует! \n \"" + m_dir + L"\\\"");
    EXPECT_EQ(m_reports[0].caption, L"Отказ в запуске");
    EXPECT_EQ(m_reports[0].style, static_cast<unsigned>(MB_OK | MB_ICONERROR));
    EXPECT_EQ(m_reports[0].owner, nullptr);
    EXPECT_TRUE(Names(m_dir).empty());
    EXPECT_TRUE(l.games.empty());
}

TEST_F(ProfileFile, SaveWritesNoMarkKeepsAttributesAndReloadsTheSame) {
    WriteBytes(Path(L"hlds.exe"), "");
    brvRunSL r;
    ProfileLists l;
    ASSERT_TRUE(brv::LoadProfile(r, l));
    r.serverName = L"[EU] Арена";
    l.storedCommands.push_back(L"say [hi]");
    ASSERT_TRUE(brv::SaveProfile(r, l));
    const std::string saved = ReadBytes(r.profilePath);
    EXPECT_NE(saved.substr(0, 2), "\xFF\xFE");
    EXPECT_EQ(saved.substr(saved.size() - 4), std::string("\r\0\n\0", 4));
    EXPECT_EQ(GetFileAttributesW(r.profilePath.c_str()) & kHiddenSystem, kHiddenSystem);
    ASSERT_TRUE(brv::SaveProfile(r, l));
    EXPECT_EQ(ReadBytes(r.profilePath), saved);
    EXPECT_TRUE(m_reports.empty());
    EXPECT_EQ(Names(m_dir).size(), 2u) << "a temporary file was left behind";

    brvRunSL back;
    ProfileLists backLists;
    ASSERT_TRUE(brv::LoadProfile(back, backLists));
    EXPECT_EQ(back.serverName, L"[EU] Арена");
    EXPECT_EQ(backLists.storedCommands.back(), L"say [hi]");
    EXPECT_EQ(backLists.setmasters, l.setmasters);
}

TEST_F(ProfileFile, SaveThatCannotCompleteLeavesTheOldProfileAndReportsOnce) {
    WriteBytes(Path(L"hlds.exe"), "");
    brvRunSL r;
    ProfileLists l;
    ASSERT_TRUE(brv::LoadProfile(r, l));
    const std::string before = ReadBytes(r.profilePath);
    r.serverName = L"changed";

    // A read-only profile cannot be replaced.
    ASSERT_TRUE(SetFileAttributesW(r.profilePath.c_str(), kHiddenSystem | FILE_ATTRIBUTE_READONLY));
    EXPECT_FALSE(brv::SaveProfile(r, l));
    ASSERT_EQ(m_reports.size(), 1u);
    EXPECT_EQ(m_reports[0].text, L"Не может записать в файл (ошибка 5)\n");
    EXPECT_EQ(m_reports[0].caption, L"Ошибка");
    EXPECT_EQ(m_reports[0].style, static_cast<unsigned>(MB_OK | MB_ICONERROR));
    EXPECT_EQ(ReadBytes(r.profilePath), before);
    EXPECT_EQ(Names(m_dir).size(), 2u) << "a temporary file was left behind";
    ASSERT_TRUE(SetFileAttributesW(r.profilePath.c_str(), kHiddenSystem));

    // A profile that another program holds open without sharing cannot be replaced either.
    m_reports.clear();
    HANDLE held =
        CreateFileW(r.profilePath.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(brv::SaveProfile(r, l));
    CloseHandle(held);
    ASSERT_EQ(m_reports.size(), 1u);
    EXPECT_EQ(m_reports[0].text.rfind(L"Не может записать в файл (ошибка ", 0), 0u);
    EXPECT_EQ(m_reports[0].text.find(L"ошибка 0)"), std::wstring::npos);
    EXPECT_EQ(ReadBytes(r.profilePath), before);

    // A profile path in a folder that does not exist.
    m_reports.clear();
    r.profilePath = m_dir + L"\\missing\\brvBrivan3.txt";
    EXPECT_FALSE(brv::SaveProfile(r, l));
    ASSERT_EQ(m_reports.size(), 1u);
    EXPECT_EQ(m_reports[0].text, L"Не может записать в файл (ошибка 3)\n");
    EXPECT_EQ(Names(m_dir).size(), 2u);
}

TEST_F(ProfileFile, UnreadableProfileAndUnwritableDefaultAreReported) {
    WriteBytes(Path(L"hlds.exe"), "");
    ASSERT_TRUE(CreateDirectoryW(Path(L"brvBrivan3.txt").c_str(), nullptr));
    brvRunSL r;
    ProfileLists l;
    EXPECT_FALSE(brv::LoadProfile(r, l));
    ASSERT_EQ(m_reports.size(), 1u);
    EXPECT_EQ(m_reports[0].text.rfind(L"Не может прочитать файл (ошибка ", 0), 0u);
    EXPECT_EQ(m_reports[0].caption, L"Ошибка");

    m_reports.clear();
    EXPECT_FALSE(brv::ExtractDefaultProfile(r));
    ASSERT_EQ(m_reports.size(), 1u);
    EXPECT_EQ(m_reports[0].text.rfind(L"Не может записать ресурс в файл (ошибка ", 0), 0u);
    EXPECT_EQ(Names(m_dir).size(), 2u) << "a temporary file was left behind";
}
