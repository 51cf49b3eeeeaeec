// The refresh on a real folder tree, through the native file system.
#include "framework/InvalidArgument.h"
#include "framework/Text.h"
#include "maps/MapSources.h"
#include "tests/native/maps/FakeMapHost.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;
using brvtest::FakeMapHost;
using Entries = std::vector<std::wstring>;

namespace {

class MapSourcesTest : public ::testing::Test {
protected:
    void SetUp() override {
        root = fs::temp_directory_path() /
               ("brv_maps_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "_" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(root);
        fs::create_directories(root / "stormline" / "maps");
        host.record.workDir = brv::FromUtf8(root.string());
    }
    void TearDown() override { fs::remove_all(root); }

    void Write(const fs::path& relative, const std::string& bytes) {
        fs::create_directories((root / relative).parent_path());
        std::ofstream(root / relative, std::ios::binary) << bytes;
    }

    fs::path root;
    FakeMapHost host;
};

} // namespace

TEST_F(MapSourcesTest, MapFolderGivesSortedNamesFillsAllMapsAndDisablesTheEditorButton) {
    Write("stormline/maps/river.bsp", "");
    Write("stormline/maps/castle.bsp", "");
    Write("stormline/maps/notes.txt", "");
    host.ownEditor.listCaption = L"kept";
    host.record.map = L"river";
    brv::RefreshStartMapList(host);
    EXPECT_EQ(host.startMaps, (Entries{L"castle", L"river"}));
    EXPECT_EQ(host.ownEditor.allMaps.size(), 2u);
    EXPECT_EQ(host.editorButton, false);
    EXPECT_EQ(host.selected, 1);
    EXPECT_EQ(host.record.startMapIndex, 1);
    EXPECT_EQ(host.ownEditor.listCaption, L"kept") << "source 0 keeps the caption and path";
}

TEST_F(MapSourcesTest, MapCycleFileFillsListSetsCaptionPathAndEnablesTheButton) {
    Write("stormline/mapcycle.txt", "// c\n\nde_dust2\r\n;x\ntower\nde_dust2\n");
    host.source = 1;
    host.record.map = L"zzz";
    brv::RefreshStartMapList(host);
    EXPECT_EQ(host.startMaps, (Entries{L"de_dust2", L"de_dust2", L"tower"}));
    EXPECT_EQ(host.ownEditor.listedMaps, (Entries{L"de_dust2", L"tower", L"de_dust2"})) << "file order";
    EXPECT_EQ(host.ownEditor.listCaption, L"stormline\\mapcycle.txt");
    EXPECT_EQ(host.ownEditor.listFilePath, host.record.workDir + L"\\stormline\\mapcycle.txt");
    EXPECT_EQ(host.editorButton, true);
    EXPECT_EQ(host.record.startMapIndex, -1) << "no match";
    EXPECT_EQ(host.selected, 0) << "no match selects the first entry";
}

TEST_F(MapSourcesTest, MissingListFileAddsNothingAndDisablesTheButton) {
    host.source = 2;
    brv::RefreshStartMapList(host);
    EXPECT_TRUE(host.startMaps.empty());
    EXPECT_EQ(host.editorButton, false);
    EXPECT_EQ(host.selected, -1);
    EXPECT_EQ(host.record.startMapIndex, -1);
    EXPECT_EQ(host.ownEditor.listCaption, L"stormline\\addons\\amxmodx\\configs\\maps.ini");
}

TEST_F(MapSourcesTest, ListFileThatCannotBeReadAddsNothingButKeepsTheButtonEnabled) {
    fs::create_directories(root / "stormline" / "mapcycle.txt"); // exists, but is no readable file
    host.source = 1;
    brv::RefreshStartMapList(host);
    EXPECT_TRUE(host.startMaps.empty());
    EXPECT_EQ(host.editorButton, true);
}

TEST_F(MapSourcesTest, NoSelectionDoesNothingAndBadIndicesAreInvalidArguments) {
    Write("stormline/maps/river.bsp", "");
    host.game = -1;
    brv::RefreshStartMapList(host);
    host.game = 0;
    host.source = -1;
    brv::RefreshStartMapList(host);
    EXPECT_TRUE(host.startMaps.empty());
    EXPECT_FALSE(host.editorButton.has_value());

    host.source = 0;
    host.game = 2;
    EXPECT_THROW(brv::RefreshStartMapList(host), brv::InvalidArgumentError);
    host.game = 0;
    host.source = 2;
    host.lists.mapSources.resize(2);
    EXPECT_THROW(brv::RefreshStartMapList(host), brv::InvalidArgumentError);
    EXPECT_TRUE(host.startMaps.empty()) << "nothing added before the error";
    EXPECT_FALSE(host.editorButton.has_value());

    host.source = 3; // no such source: nothing filled, but the start map is still chosen
    host.record.startMapIndex = 7;
    brv::RefreshStartMapList(host);
    EXPECT_EQ(host.record.startMapIndex, -1);
}
