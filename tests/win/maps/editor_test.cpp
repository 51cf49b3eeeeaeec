// The map sources and the map list editor on real files under Wine; the editor is opened through the
// map host and driven from a second thread.
#include "framework/FileBytes_win.h"
#include "framework/Controls_win.h"
#include "framework/InvalidArgument.h"
#include "framework/Report.h"
#include "framework/Text.h"
#include "maps/CChangeFileMapsDlg_win.h"
#include "maps/MapSources.h"
#include "res/resource.h"
#include "tests/native/maps/FakeMapHost.h"
#include "tests/win/framework/DialogDriver.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

using brvtest::Click;
using brvtest::DialogDriver;
using Entries = std::vector<std::wstring>;

namespace {

std::string ReadBytes(const std::wstring& path) {
    return brv::ReadFileBytes(path).value_or("<missing>");
}

void WriteBytes(const std::wstring& path, const std::string& bytes) {
    ASSERT_TRUE(brv::WriteFileBytes(path, bytes));
}

Entries ListEntries(HWND dialog, int id) {
    brv::ListBox list(dialog, id);
    Entries out;
    for (int i = 0; i < list.GetCount(); ++i) {
        out.push_back(list.GetText(i));
    }
    return out;
}

Entries FolderNames(const std::wstring& folder) {
    Entries names;
    WIN32_FIND_DATAW data;
    HANDLE h = FindFirstFileW((folder + L"\\*").c_str(), &data);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            if (data.cFileName[0] != L'.') {
                names.emplace_back(data.cFileName);
            }
        } while (FindNextFileW(h, &data));
        FindClose(h);
    }
    return names;
}

class MapEditorTest : public ::testing::Test {
protected:
    void SetUp() override {
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        work = std::wstring(temp) + L"brv_maps_" + std::to_wstring(GetCurrentProcessId()) + L"_" +
               std::to_wstring(GetTickCount64());
        CreateDirectoryW(work.c_str(), nullptr);
        CreateDirectoryW(GameDir().c_str(), nullptr);
        CreateDirectoryW((GameDir() + L"\\maps").c_str(), nullptr);
        host.record.workDir = work;
        host.editor = &editor;
        previous = brv::SetReporter([this](const brv::Report& r) {
            reports.push_back(r);
            return brv::kIdOk;
        });
    }
    void TearDown() override {
        brv::SetReporter(previous);
        for (const auto& dir : {GameDir() + L"\\maps", GameDir()}) {
            for (const auto& name : FolderNames(dir)) {
                DeleteFileW((dir + L"\\" + name).c_str());
            }
        }
        RemoveDirectoryW((GameDir() + L"\\maps").c_str());
        RemoveDirectoryW(GameDir().c_str());
        RemoveDirectoryW(work.c_str());
    }

    std::wstring GameDir() const { return work + L"\\stormline"; }
    std::wstring Cycle() const { return GameDir() + L"\\mapcycle.txt"; }
    void Maps(std::initializer_list<const wchar_t*> names) {
        for (const wchar_t* n : names) {
            WriteBytes(GameDir() + L"\\maps\\" + n + L".bsp", "");
        }
    }
    // What the main window does for a new map source: empty the list, then refresh.
    void Refresh() {
        host.ResetStartMaps();
        brv::RefreshStartMapList(host);
    }
    void Open(std::function<void(HWND)> script) {
        DialogDriver driver(std::move(script));
        brv::Guarded(nullptr, [&] { OpenMapListEditor(host, editor); });
    }

    std::wstring work;
    brvtest::FakeMapHost host;
    CChangeFileMapsDlg editor{host};
    std::vector<brv::Report> reports;
    brv::Reporter previous;
};

} // namespace

TEST_F(MapEditorTest, MapFolderGivesCastleThenRiverAndSelectsTheStartMap) {
    Maps({L"river", L"castle"});
    host.record.map = L"RIV";
    Refresh();
    EXPECT_EQ(host.startMaps, (Entries{L"castle", L"river"}));
    EXPECT_EQ(host.record.startMapIndex, 1);
    EXPECT_EQ(host.selected, 1);
    EXPECT_EQ(host.editorButton, false);
}

TEST_F(MapEditorTest, ListsSplitFolderAndFileAndExitLeavesTheFileByteForByte) {
    Maps({L"alpha", L"beta", L"gamma"});
    const std::string original = "// cycle\r\n\r\nzeta\nbeta\r\n";
    WriteBytes(Cycle(), original);
    host.source = 1;
    Refresh();
    const Entries before = host.startMaps;
    ASSERT_EQ(host.editorButton, true);

    Entries left, right, leftAfterMove;
    std::wstring caption;
    bool rightEnabled = false, leftEnabled = false;
    int leftSelection = -2, rightSelection = -2, leftSelectionAfterMove = -2;
    Open([&](HWND h) {
        left = ListEntries(h, IDC_MAPS_NOT_LISTED);
        right = ListEntries(h, IDC_MAPS_LISTED);
        caption = brv::Window(h, IDC_MAPS_LIST_CAPTION).GetText();
        rightEnabled = IsWindowEnabled(GetDlgItem(h, IDC_MOVE_RIGHT));
        leftEnabled = IsWindowEnabled(GetDlgItem(h, IDC_MOVE_LEFT));
        leftSelection = brv::ListBox(h, IDC_MAPS_NOT_LISTED).GetCurSel();
        rightSelection = brv::ListBox(h, IDC_MAPS_LISTED).GetCurSel();
        Click(h, IDC_MOVE_LEFT); // beta goes left: alpha, beta, gamma
        brv::ListBox(h, IDC_MAPS_NOT_LISTED).SetCurSel(2);
        Click(h, IDC_MOVE_RIGHT); // gamma goes right; the selection jumps to the top, not the neighbour
        leftAfterMove = ListEntries(h, IDC_MAPS_NOT_LISTED);
        leftSelectionAfterMove = brv::ListBox(h, IDC_MAPS_NOT_LISTED).GetCurSel();
        Click(h, IDCANCEL);
    });
    EXPECT_EQ(left, (Entries{L"alpha", L"gamma"}));
    EXPECT_EQ(right, (Entries{L"beta", L"zeta"})) << "zeta stays although no such map exists";
    EXPECT_EQ(caption, L"stormline\\mapcycle.txt");
    EXPECT_TRUE(rightEnabled);
    EXPECT_TRUE(leftEnabled);
    EXPECT_EQ(leftSelection, 0);
    EXPECT_EQ(rightSelection, 0);
    EXPECT_EQ(leftAfterMove, (Entries{L"alpha", L"beta"}));
    EXPECT_EQ(leftSelectionAfterMove, 0);
    EXPECT_EQ(ReadBytes(Cycle()), original);
    EXPECT_EQ(host.startMaps, before) << "Exit rebuilds the start-map list without the editor's additions";
    EXPECT_TRUE(reports.empty());
}

TEST_F(MapEditorTest, MovingTheOnlyEntryTogglesTheMoveButtons) {
    Maps({L"alpha"});
    WriteBytes(Cycle(), "");
    host.source = 1;
    Refresh();
    struct State {
        Entries left, right;
        bool toRight, toLeft;
        int rightSel;
    };
    std::vector<State> states;
    Open([&](HWND h) {
        auto snap = [&] {
            states.push_back({ListEntries(h, IDC_MAPS_NOT_LISTED), ListEntries(h, IDC_MAPS_LISTED),
                              IsWindowEnabled(GetDlgItem(h, IDC_MOVE_RIGHT)) != FALSE,
                              IsWindowEnabled(GetDlgItem(h, IDC_MOVE_LEFT)) != FALSE,
                              brv::ListBox(h, IDC_MAPS_LISTED).GetCurSel()});
        };
        snap();
        Click(h, IDC_MOVE_RIGHT);
        snap();
        Click(h, IDC_MOVE_LEFT);
        snap();
        Click(h, IDCANCEL);
    });
    ASSERT_EQ(states.size(), 3u);
    EXPECT_EQ(states[0].left, Entries{L"alpha"});
    EXPECT_TRUE(states[0].toRight);
    EXPECT_FALSE(states[0].toLeft);
    EXPECT_EQ(states[1].left, Entries{});
    EXPECT_EQ(states[1].right, Entries{L"alpha"});
    EXPECT_FALSE(states[1].toRight);
    EXPECT_TRUE(states[1].toLeft);
    EXPECT_EQ(states[1].rightSel, 0);
    EXPECT_EQ(states[2].left, Entries{L"alpha"});
    EXPECT_TRUE(states[2].toRight);
    EXPECT_FALSE(states[2].toLeft);
    EXPECT_EQ(ReadBytes(Cycle()), "");
}

TEST_F(MapEditorTest, SaveWritesTheRightListInCp1251WithCrLfAndCyrillicSurvives) {
    Maps({L"alpha", L"beta"});
    const std::string cyrillic = "de_\xEA\xE0\xF0\xF2\xE0"; // "de_карта" in code page 1251
    WriteBytes(Cycle(), "// comment\r\n\r\ntower\r\n" + cyrillic + "\nalpha");
    host.source = 1;
    host.record.map = L"de_";
    Refresh();
    EXPECT_EQ(host.startMaps, (Entries{L"alpha", L"de_карта", L"tower"}));
    Open([&](HWND h) {
        Click(h, IDC_MOVE_LEFT);  // alpha, the selected first entry, goes left and is selected there
        Click(h, IDC_MOVE_RIGHT); // so it comes back
        Click(h, IDC_MAPS_SAVE);
    });
    // The comment, the empty line and the file's order are gone; the Cyrillic name is byte for byte.
    EXPECT_EQ(ReadBytes(Cycle()), "alpha\r\n" + cyrillic + "\r\ntower\r\n");
    EXPECT_EQ(host.startMaps, (Entries{L"alpha", L"de_карта", L"tower"}));
    EXPECT_EQ(host.record.startMapIndex, 1);
    EXPECT_EQ(FolderNames(GameDir()), (Entries{L"mapcycle.txt", L"maps"})) << "no temporary file is left";

    Open([&](HWND h) {
        Click(h, IDC_MOVE_LEFT); // alpha out
        // Enter in a list reaches the dialog manager, which presses the default button: Save.
        PostMessageW(GetDlgItem(h, IDC_MAPS_LISTED), WM_KEYDOWN, VK_RETURN, 0);
    });
    EXPECT_EQ(ReadBytes(Cycle()), cyrillic + "\r\ntower\r\n");
    EXPECT_TRUE(reports.empty());
}

TEST_F(MapEditorTest, SaveThatCannotReplaceTheFileKeepsItAndShowsTheWriteMessageOnce) {
    Maps({L"alpha"});
    const std::string original = "tower\r\n";
    WriteBytes(Cycle(), original);
    host.source = 1;
    Refresh();
    // Another program holds the file without delete sharing: it cannot be replaced.
    HANDLE holder =
        CreateFileW(Cycle().c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    bool closedAfterSave = false;
    Open([&](HWND h) {
        Click(h, IDC_MOVE_RIGHT);
        Click(h, IDC_MAPS_SAVE);
        closedAfterSave = brvtest::WaitFor([&] { return !IsWindow(h); });
    });
    CloseHandle(holder);
    EXPECT_TRUE(closedAfterSave) << "the dialog closes all the same";
    EXPECT_EQ(ReadBytes(Cycle()), original);
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].caption, L"Ошибка");
    EXPECT_EQ(reports[0].text.rfind(L"Не может записать в файл (ошибка ", 0), 0u)
        << brv::ToUtf8(reports[0].text);
    EXPECT_NE(reports[0].text, L"Не может записать в файл (ошибка 0)\n");
    EXPECT_EQ(reports[0].style, static_cast<unsigned>(MB_OK | MB_ICONERROR));
    EXPECT_EQ(host.startMaps, Entries{L"tower"}) << "rebuilt from the unchanged file";
    EXPECT_EQ(FolderNames(GameDir()), (Entries{L"mapcycle.txt", L"maps"})) << "no temporary file is left";
}

TEST_F(MapEditorTest, InvalidArgumentInAHandlerIsReportedAndTheEditorGoesOn) {
    Maps({L"alpha"});
    WriteBytes(Cycle(), "tower\n");
    host.source = 1;
    Refresh();
    bool openAfterError = false;
    Open([&](HWND h) {
        host.lists.games.clear(); // the refresh of Exit now fails before the close
        Click(h, IDCANCEL);
        openAfterError = IsWindow(h) && IsWindowVisible(h);
        host.lists.games = {L"-game stormline"};
        Click(h, IDC_MOVE_RIGHT);                                               // still answering
        PostMessageW(GetDlgItem(h, IDC_MAPS_LISTED), WM_KEYDOWN, VK_ESCAPE, 0); // Escape is Exit
    });
    EXPECT_TRUE(openAfterError);
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].text, brv::kInvalidArgumentText);
    EXPECT_EQ(reports[0].caption, L"Ошибка");
    EXPECT_EQ(ReadBytes(Cycle()), "tower\n");

    host.game = 5; // opening with a game the list does not have: the error, no editor
    reports.clear();
    brv::Guarded(nullptr, [&] { OpenMapListEditor(host, editor); });
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].text, brv::kInvalidArgumentText);
}

// With BRV_SHOT_FLAG set to a file path, the editor stays open until that file exists, so that a
// screenshot can be taken from outside.
TEST_F(MapEditorTest, EditorStaysOpenForAScreenshotWhenAsked) {
    Maps({L"alpha", L"de_dust2", L"карта_зима"});
    WriteBytes(Cycle(), "de_dust2\r\ntower\r\n");
    host.source = 1;
    Refresh();
    wchar_t flag[MAX_PATH] = {};
    const bool wanted = GetEnvironmentVariableW(L"BRV_SHOT_FLAG", flag, MAX_PATH) > 0;
    std::wstring title;
    Open([&](HWND h) {
        title = brv::Window(h).GetText();
        if (wanted) {
            brvtest::WaitFor([&] { return GetFileAttributesW(flag) != INVALID_FILE_ATTRIBUTES; }, 60000);
        }
        Click(h, IDCANCEL);
    });
    EXPECT_EQ(title, L"Редактор списка карт");
}
