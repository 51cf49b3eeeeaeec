// Values that would read back as a section header, and the profile that lacks what the form needs.
#include "profile/HeaderValues.h"
#include "profile/ProfileFile.h"
#include "tests/native/framework/TestReporter.h"

#include <gtest/gtest.h>

using namespace brv;

TEST(HeaderValues, ExactlyTheLinesTheReaderTakesForHeaders) {
    for (const wchar_t* header :
         {L"[SETMASTERS]", L"[game]", L" [Game]\t", L"[COMBO_COMMANDS]", L"[NAMESERVER]", L"[GA\r\nME]"}) {
        EXPECT_TRUE(IsHeaderValue(header)) << static_cast<const void*>(header);
    }
    for (const wchar_t* value :
         {L"", L"[EU] Arena", L"say [hi]", L"[GAME]x", L"x[GAME]", L"[UNKNOWN]", L"[ GAME]"}) {
        EXPECT_FALSE(IsHeaderValue(value)) << static_cast<const void*>(value);
    }
}

TEST(HeaderValues, FirstHeaderValueLooksAtEveryStoredTextAndRefusalSaysWhich) {
    brvRunSL record;
    ProfileLists lists;
    lists.games = {L"-game stormline"};
    lists.storedCommands = {L"status"};
    EXPECT_FALSE(FirstHeaderValue(record, lists).has_value());

    for (std::wstring brvRunSL::*field :
         {&brvRunSL::serverName, &brvRunSL::map, &brvRunSL::ip, &brvRunSL::port, &brvRunSL::playerCount,
          &brvRunSL::extraParams, &brvRunSL::rconPassword, &brvRunSL::gamePassword}) {
        brvRunSL r;
        r.*field = L"[PORT]";
        EXPECT_EQ(FirstHeaderValue(r, lists), std::wstring(L"[PORT]"));
    }
    for (std::vector<std::wstring> ProfileLists::*list :
         {&ProfileLists::games, &ProfileLists::serverTypes, &ProfileLists::mapSources,
          &ProfileLists::extraChoices, &ProfileLists::storedCommands, &ProfileLists::setmasters}) {
        ProfileLists l = lists;
        (l.*list).push_back(L"[GAME]");
        EXPECT_EQ(FirstHeaderValue(record, l), std::wstring(L"[GAME]"));
    }
    // Texts the profile does not store are no concern.
    record.consoleCommand = L"[GAME]";
    record.serverTitle = L"[GAME]";
    EXPECT_FALSE(FirstHeaderValue(record, lists).has_value());

    ReportRecorder reports;
    EXPECT_FALSE(RefuseHeaderValue(nullptr, L"[EU] Arena"));
    EXPECT_TRUE(reports.seen.empty());
    EXPECT_TRUE(RefuseHeaderValue(nullptr, L"[MAP]"));
    ASSERT_EQ(reports.seen.size(), 1u);
    EXPECT_EQ(reports.seen[0].text,
              L"Значение '[MAP]' совпадает с заголовком раздела профиля и не может быть сохранено!");
    EXPECT_EQ(reports.seen[0].caption, L"Ошибка");
    EXPECT_EQ(reports.seen[0].style, kMbOk | kMbIconError);
}

TEST(DamagedProfile, AnyEmptyListOfTheFourDropDownsIsDamageAndTheQuestionNamesIt) {
    ProfileLists full;
    full.games = {L"-game stormline"};
    full.serverTypes = {L"+sv_lan 1"};
    full.priorities = {0x20};
    full.mapSources = {L"\\maps\\*.bsp"};
    EXPECT_FALSE(ProfileLacksFormLists(full));
    // The other lists may be empty: the form fills without them.
    EXPECT_TRUE(full.selections.empty() && full.setmasters.empty() && full.storedCommands.empty());

    ProfileLists noGames = full;
    noGames.games.clear();
    ProfileLists noTypes = full;
    noTypes.serverTypes.clear();
    ProfileLists noPriorities = full;
    noPriorities.priorities.clear();
    ProfileLists noSources = full;
    noSources.mapSources.clear();
    for (const ProfileLists* l : {&noGames, &noTypes, &noPriorities, &noSources}) {
        EXPECT_TRUE(ProfileLacksFormLists(*l));
    }
    EXPECT_TRUE(ProfileLacksFormLists(ProfileLists{}));

    EXPECT_EQ(DamagedProfileName(1), L"brvBrivan3.damaged.txt");
    EXPECT_EQ(DamagedProfileName(2), L"brvBrivan3.damaged-2.txt");
    EXPECT_EQ(DamagedProfileName(12), L"brvBrivan3.damaged-12.txt");

    EXPECT_EQ(
        ReplaceProfileQuestion(noPriorities, L"brvBrivan3.damaged.txt"),
        L"\n Профиль brvBrivan3.txt повреждён: в нём нет списка приоритетов.\n Заменить его профилем по "
        L"умолчанию? Повреждённый файл останется рядом под именем \"brvBrivan3.damaged.txt\".");
    const std::wstring all = ReplaceProfileQuestion(ProfileLists{}, L"brvBrivan3.damaged-2.txt");
    EXPECT_EQ(all.rfind(L"\n ", 0), 0u); // a question's text begins with a line feed and a blank
    EXPECT_NE(all.find(L"нет списка игр, типов сервера, приоритетов и путей загрузки карт."),
              std::wstring::npos);
    EXPECT_NE(all.find(L"\"brvBrivan3.damaged-2.txt\""), std::wstring::npos);
}
