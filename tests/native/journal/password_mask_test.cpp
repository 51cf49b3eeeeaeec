#include "journal/JournalTexts.h"
#include "journal/PasswordMask.h"
#include "framework/Text.h"

#include <gtest/gtest.h>

using brv::MaskPasswords;

namespace {

// The command line as the launch composes it: every value verbatim, followed by one blank.
std::wstring Composed(const std::wstring& rcon, const std::wstring& sv, const std::wstring& extra) {
    return L"hlds.exe -game stormline +servercfgfile \"Brivan.cfg\" -console +sv_lan 0 +maxplayers 24 "
           L"+map de_dust2 +port 27015 +ip 127.0.0.1 +rcon_password " +
           rcon + L" +sv_password " + sv + L" " + extra + L" ";
}

const std::wstring kHead = L"hlds.exe -game stormline +servercfgfile \"Brivan.cfg\" -console +sv_lan 0 "
                           L"+maxplayers 24 +map de_dust2 +port 27015 +ip 127.0.0.1 ";

} // namespace

TEST(PasswordMask, BothValuesBecomeStarsAndAnEmptyOneStaysEmpty) {
    EXPECT_EQ(MaskPasswords(Composed(L"864209753", L"", L"-insecure"), {L"864209753", L""}),
              kHead + L"+rcon_password *** +sv_password  -insecure ");
    EXPECT_EQ(MaskPasswords(Composed(L"", L"letmein", L""), {L"", L"letmein"}),
              kHead + L"+rcon_password  +sv_password ***  ");
    EXPECT_EQ(MaskPasswords(Composed(L"", L"", L"-insecure"), {L"", L""}),
              kHead + L"+rcon_password  +sv_password  -insecure ");
}

TEST(PasswordMask, APasswordWithBlanksOrQuotesIsMaskedWholeNotWordByWord) {
    const std::vector<std::wstring> passwords = {L"my secret  tiger", L"a \"b\" c"};
    const std::wstring masked = MaskPasswords(Composed(passwords[0], passwords[1], L"-insecure"), passwords);
    EXPECT_EQ(masked, kHead + L"+rcon_password *** +sv_password *** -insecure ");
    for (const wchar_t* part : {L"my", L"secret", L"tiger", L"\"b\""}) {
        EXPECT_EQ(masked.find(part), std::wstring::npos) << part;
    }
}

TEST(PasswordMask, ValuesTypedIntoTheExtraParametersAreMaskedToo) {
    const std::vector<std::wstring> passwords = {L"one", L""};
    EXPECT_EQ(
        MaskPasswords(Composed(L"one", L"", L"+RCON_PASSWORD other +Sv_Password   third -x"), passwords),
        kHead + L"+rcon_password *** +sv_password  +RCON_PASSWORD *** +Sv_Password   *** -x ");
    EXPECT_EQ(MaskPasswords(L"hlds.exe +rcon_password \"quoted value\" +map x", {}),
              L"hlds.exe +rcon_password *** +map x");
    EXPECT_EQ(MaskPasswords(L"hlds.exe +rcon_password \"never closed", {}), L"hlds.exe +rcon_password ***");
    EXPECT_EQ(MaskPasswords(L"+sv_password x", {}), L"+sv_password ***");
    EXPECT_EQ(MaskPasswords(L"a +sv_password", {}), L"a +sv_password");
}

TEST(PasswordMask, AKnownValueStandingElsewhereAsAWordIsMaskedButNotInsideOtherWords) {
    const std::vector<std::wstring> passwords = {L"dust", L"27015"};
    EXPECT_EQ(
        MaskPasswords(L"hlds.exe +map de_dust2 +port 27015 +exec dust +rcon_password dust +sv_password 27015",
                      passwords),
        L"hlds.exe +map de_dust2 +port *** +exec *** +rcon_password *** +sv_password ***");
}

TEST(PasswordMask, OptionWordsOnlyCountAsWholeWords) {
    EXPECT_EQ(MaskPasswords(L"hlds.exe +exec x+rcon_password y +rcon_passwordz w", {}),
              L"hlds.exe +exec x+rcon_password y +rcon_passwordz w");
}

TEST(PasswordMask, NoPartOfAnyPasswordLeaksWhateverItHolds) {
    // Passwords of blanks, quotes and option signs around letters that nothing else in the line holds:
    // no such letter may survive the masking.
    unsigned seed = 12345;
    auto next = [&seed] { return seed = seed * 1103515245u + 12345u, (seed >> 16) & 0x7FFF; };
    auto make = [&](const std::wstring& alphabet, wchar_t marker) {
        std::wstring value;
        for (unsigned n = next() % 8; n > 0; --n) {
            value.push_back(alphabet[next() % alphabet.size()]);
        }
        value.insert(value.begin() + static_cast<long>(next() % (value.size() + 1)), marker);
        return value;
    };
    for (int round = 0; round < 5000; ++round) {
        const std::wstring rcon = make(L" \"+-_QW", L'Q');
        const std::wstring sv = make(L" \"+-_ZX", L'Z');
        const std::wstring extra = round % 3 == 0 ? L"-insecure" : round % 3 == 1 ? L"" : L"+exec listip.cfg";
        const std::wstring masked = MaskPasswords(Composed(rcon, sv, extra), {rcon, sv});
        ASSERT_EQ(masked.find_first_of(L"QWZX"), std::wstring::npos)
            << "round " << round << ": " << brv::ToUtf8(masked);
    }
}

TEST(JournalTexts, TheStartLineNeverCarriesThePasswords) {
    const std::wstring text =
        brv::StartText(L"Арена - 27015", 4242, Composed(L"top secret", L"x y", L""), {L"top secret", L"x y"});
    EXPECT_EQ(text.find(L"secret"), std::wstring::npos);
    EXPECT_EQ(text.find(L"x y"), std::wstring::npos);
    EXPECT_TRUE(text.starts_with(L"Арена - 27015: сервер запущен, PID 4242, командная строка: hlds.exe "));
}
