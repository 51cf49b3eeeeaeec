#include "status/StatusColumns.h"

#include <gtest/gtest.h>

using namespace brv;
using query::ServerState;
using query::StatusEntry;

namespace {

StatusEntry Line(const std::wstring& title, ServerState state, uint32_t pid, uint64_t up,
                 const std::wstring& players, const std::wstring& map, uint32_t restarts,
                 std::optional<uint32_t> code) {
    return {title, state, query::StateText(state), pid, up, players, map, restarts, code, {}, {}, {}};
}

std::vector<std::wstring> Titles(const std::vector<StatusEntry>& lines) {
    std::vector<std::wstring> t;
    for (const auto& l : lines) {
        t.push_back(l.title);
    }
    return t;
}

} // namespace

TEST(StatusColumns, CellsOfARunningAndOfAWaitingServer) {
    auto cells =
        StatusCells(Line(L"Arena - 27015", ServerState::Running, 4242, 185, L"3/16", L"de_dust2", 2, 3u));
    EXPECT_EQ(cells[0], L"Arena - 27015");
    EXPECT_EQ(cells[1], L"работает");
    EXPECT_EQ(cells[2], L"4242");
    EXPECT_EQ(cells[3], L"3 мин 05 с");
    EXPECT_EQ(cells[4], L"3/16");
    EXPECT_EQ(cells[5], L"de_dust2");
    EXPECT_EQ(cells[6], L"2");
    EXPECT_EQ(cells[7], L"0x00000003");
    cells = StatusCells(Line(L"B - 1", ServerState::WaitingRestart, 0, 0, L"", L"", 0, std::nullopt));
    EXPECT_EQ(cells[1], L"ждёт перезапуска");
    EXPECT_EQ(cells[2], L"");
    EXPECT_EQ(cells[3], L"");
    EXPECT_EQ(cells[7], L"");
}

TEST(StatusColumns, EveryColumnHasACaptionAndAWidth) {
    for (int c = 0; c < kStatusColumns; ++c) {
        EXPECT_GT(std::wstring(ColumnInfo(c).caption).size(), 0u);
        EXPECT_GT(ColumnInfo(c).widthDlu, 20);
    }
    EXPECT_EQ(std::wstring(ColumnInfo(1).caption), L"Состояние");
}

TEST(StatusColumns, SortsNumbersAsNumbersAndEitherWay) {
    std::vector<StatusEntry> lines = {
        Line(L"c", ServerState::Running, 900, 5, L"10/16", L"b", 0, 0xC0000005u),
        Line(L"a", ServerState::Loading, 80, 70, L"9/16", L"c", 12, std::nullopt),
        Line(L"b", ServerState::WaitingRestart, 0, 0, L"", L"a", 3, 3u),
    };
    SortStatus(lines, static_cast<int>(StatusColumn::Title), true);
    EXPECT_EQ(Titles(lines), (std::vector<std::wstring>{L"a", L"b", L"c"}));
    SortStatus(lines, static_cast<int>(StatusColumn::Pid), true);
    EXPECT_EQ(Titles(lines), (std::vector<std::wstring>{L"b", L"a", L"c"}));
    SortStatus(lines, static_cast<int>(StatusColumn::Players), false);
    EXPECT_EQ(Titles(lines), (std::vector<std::wstring>{L"c", L"a", L"b"})); // 10 > 9 > none
    SortStatus(lines, static_cast<int>(StatusColumn::Uptime), false);
    EXPECT_EQ(Titles(lines), (std::vector<std::wstring>{L"a", L"c", L"b"}));
    SortStatus(lines, static_cast<int>(StatusColumn::Restarts), true);
    EXPECT_EQ(Titles(lines), (std::vector<std::wstring>{L"c", L"b", L"a"}));
    SortStatus(lines, static_cast<int>(StatusColumn::ExitCode), true);
    EXPECT_EQ(Titles(lines), (std::vector<std::wstring>{L"a", L"b", L"c"}));
    SortStatus(lines, static_cast<int>(StatusColumn::Map), true);
    EXPECT_EQ(Titles(lines), (std::vector<std::wstring>{L"b", L"c", L"a"}));
    SortStatus(lines, static_cast<int>(StatusColumn::State), true);
    EXPECT_EQ(Titles(lines), (std::vector<std::wstring>{L"c", L"a", L"b"}));
}
