#include "framework/Text.h"
#include "startup/FolderKey.h"
#include "startup/RunAtLogon.h"
#include "startup/WorkFolder.h"

#include <gtest/gtest.h>

#include <set>

TEST(FolderKey, EverySpellingOfOneFolderGivesOneKey) {
    const std::wstring key = brv::FolderKey(L"C:\\Games\\HLDS");
    for (const wchar_t* same :
         {L"c:\\games\\hlds", L"C:/Games/HLDS/", L"C:\\Games\\\\HLDS\\\\", L"\\\\?\\C:\\Games\\HLDS",
          L"C:\\Games\\.\\HLDS", L"C:\\Games\\maps\\..\\HLDS", L"C:\\GAMES\\hlds\\."}) {
        EXPECT_EQ(brv::FolderKey(same), key) << brv::ToUtf8(same);
    }
    EXPECT_EQ(brv::NormalizeFolder(L"c:/games//hlds/"), L"C:\\GAMES\\HLDS");
    EXPECT_EQ(brv::NormalizeFolder(L"c:\\"), L"C:\\");
    EXPECT_EQ(brv::NormalizeFolder(L"C:\\..\\.."), L"C:\\");
    EXPECT_EQ(brv::NormalizeFolder(L"\\\\?\\UNC\\srv\\share\\hlds"), L"\\\\SRV\\SHARE\\HLDS");
    EXPECT_EQ(brv::NormalizeFolder(L"\\\\srv\\share\\..\\x"), L"\\\\SRV\\SHARE\\X");
    EXPECT_EQ(brv::NormalizeFolder(L"\\\\srv\\share"), L"\\\\SRV\\SHARE\\");
    EXPECT_EQ(brv::FolderKey(L"\\\\srv\\share\\hlds"), brv::FolderKey(L"\\\\?\\UNC\\SRV\\share\\hlds\\"));
}

TEST(FolderKey, CyrillicAndLatinLettersFoldAsTheFileSystemFoldsThem) {
    EXPECT_EQ(brv::FolderKey(L"D:\\Серверы\\Арена"), brv::FolderKey(L"d:\\СЕРВЕРЫ\\арена"));
    EXPECT_EQ(brv::FolderKey(L"D:\\ёжик\\Ђ"), brv::FolderKey(L"D:\\ЁЖИК\\ђ"));
    EXPECT_EQ(brv::FolderKey(L"D:\\Café αβ"), brv::FolderKey(L"D:\\CAFÉ ΑΒ"));
    EXPECT_EQ(brv::FoldCase(L'ÿ'), L'Ÿ');
    EXPECT_EQ(brv::FoldCase(L'÷'), L'÷');
    EXPECT_EQ(brv::FoldCase(L'ς'), L'Σ');
    EXPECT_EQ(brv::FoldCase(L'1'), L'1');
}

TEST(FolderKey, DifferentFoldersGetDifferentKeysAndObjectNames) {
    std::set<std::wstring> keys;
    for (const wchar_t* folder : {L"C:\\srv", L"C:\\srv2", L"C:\\srv\\a", L"D:\\srv", L"C:\\", L"C:\\Сервер",
                                  L"C:\\Сервер1", L"\\\\host\\share\\srv", L"C:\\s rv", L"C:\\srv\\b"}) {
        keys.insert(brv::FolderKey(folder));
    }
    EXPECT_EQ(keys.size(), 10u);
    const std::wstring name = brv::InstanceObjectName(L"C:\\srv");
    EXPECT_EQ(name, L"Local\\Brivan." + brv::FolderKey(L"C:\\srv"));
    EXPECT_EQ(name.find(L'\\', 6), std::wstring::npos); // one backslash: the namespace's
    // The key is the same on both builds: it hashes the UTF-16LE bytes, not wide characters.
    EXPECT_EQ(brv::FolderKey(L""), L"CBF29CE484222325");
    EXPECT_EQ(brv::FolderKey(L"a"), brv::FolderKey(L"A"));
    EXPECT_EQ(brv::FolderKey(L"A"), L"0908A207B5A15704"); // FNV-1a 64 of the bytes 41 00
}

TEST(WorkFolder, TheCurrentDirectoryFirstThenBrivansOwnFolderElseTheRefusal) {
    std::set<std::wstring> withServer;
    auto holds = [&](const std::wstring& f) { return withServer.count(f) != 0; };

    withServer = {L"C:\\cur", L"C:\\own"};
    brv::WorkFolderChoice c = brv::ChooseWorkFolder(L"C:\\cur", L"C:\\own\\Brivan.exe", holds);
    EXPECT_EQ(c.folder, L"C:\\cur");
    EXPECT_FALSE(c.ownFolder);
    EXPECT_FALSE(c.refused);

    withServer = {L"C:\\own"};
    c = brv::ChooseWorkFolder(L"C:\\Windows\\system32", L"C:\\own\\Brivan.exe", holds);
    EXPECT_EQ(c.folder, L"C:\\own");
    EXPECT_TRUE(c.ownFolder);
    EXPECT_FALSE(c.refused);

    withServer = {};
    c = brv::ChooseWorkFolder(L"C:\\cur", L"C:\\own\\Brivan.exe", holds);
    EXPECT_EQ(c.folder, L"C:\\cur");
    EXPECT_FALSE(c.ownFolder);
    EXPECT_TRUE(c.refused);

    withServer = {L"C:\\"};
    c = brv::ChooseWorkFolder(L"D:\\x", L"C:\\Brivan.exe", holds);
    EXPECT_EQ(c.folder, L"C:\\");
    EXPECT_TRUE(c.ownFolder);

    EXPECT_EQ(brv::FolderOf(L"C:\\a\\b\\Brivan.exe"), L"C:\\a\\b");
    EXPECT_EQ(brv::FolderOf(L"C:\\Brivan.exe"), L"C:\\");
    EXPECT_EQ(brv::FolderOf(L"Brivan.exe"), L"");
    EXPECT_EQ(brv::FolderOf(L"\\\\srv\\share\\Brivan.exe"), L"\\\\srv\\share");
}

TEST(RunAtLogon, OneValueNamePerFolderAndTheQuotedPathAsData) {
    const std::wstring exe = L"C:\\Servers\\Arena\\Brivan.exe";
    EXPECT_EQ(brv::RunValueName(exe), L"Brivan " + brv::FolderKey(L"C:\\Servers\\Arena"));
    EXPECT_EQ(brv::RunValueName(L"c:\\servers\\arena\\Brivan.exe"), brv::RunValueName(exe));
    EXPECT_NE(brv::RunValueName(L"C:\\Servers\\Arena2\\Brivan.exe"), brv::RunValueName(exe));
    EXPECT_EQ(brv::RunValueData(exe), L"\"C:\\Servers\\Arena\\Brivan.exe\"");
    EXPECT_EQ(brv::RunValueData(L"C:\\Сервер с пробелом\\Brivan.exe"),
              L"\"C:\\Сервер с пробелом\\Brivan.exe\"");

    EXPECT_TRUE(brv::RunValueStartsThis(brv::RunValueData(exe), exe));
    EXPECT_TRUE(brv::RunValueStartsThis(L"\"c:\\servers\\arena\\brivan.EXE\"", exe));
    EXPECT_TRUE(brv::RunValueStartsThis(exe, exe));
    EXPECT_FALSE(brv::RunValueStartsThis(L"\"C:\\Servers\\Arena\\Brivan2.exe\"", exe));
    EXPECT_FALSE(brv::RunValueStartsThis(L"\"C:\\Servers\\Arena\\Brivan.exe\" -x", exe));
    EXPECT_FALSE(brv::RunValueStartsThis(L"", exe));
}
