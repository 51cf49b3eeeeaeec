// A profile that lacks what the form needs: Brivan says so at start-up and offers the built-in default,
// keeping the damaged file beside it; "No" goes on with the file as it is.
#include "Scenario.h"
#include "WindowProbe.h"

using namespace e2e;

namespace {
constexpr const wchar_t* kProfile = L"brvBrivan3.txt";
constexpr const wchar_t* kCaption = L"Запрос на замену профиля";

std::wstring Question(const std::wstring& missing, const std::wstring& kept) {
    return L"\n Профиль brvBrivan3.txt повреждён: в нём нет списка " + missing +
           L".\n Заменить его профилем по умолчанию? Повреждённый файл останется рядом под именем \"" + kept +
           L"\".";
}
} // namespace

class DamagedProfile : public Scenario {
protected:
    // The built-in default, as a first start writes it.
    std::string DefaultProfile() {
        Brivan first(dir);
        EXPECT_TRUE(first.Start());
        EXPECT_NE(first.WaitMainWindow(), nullptr);
        first.Click(2);
        EXPECT_TRUE(first.WaitExit());
        return dir.Read(kProfile);
    }
    void Damage(const std::string& bytes) { ASSERT_TRUE(WriteProfileBytes(dir.Full(kProfile), bytes)); }
};

TEST_F(DamagedProfile, YesPutsTheDefaultInPlaceAndKeepsTheDamagedFileUnderAFreeName) {
    const std::string builtIn = DefaultProfile();
    ASSERT_FALSE(builtIn.empty());
    Damage("");
    dir.Write(L"brvBrivan3.damaged.txt", "kept from an earlier start");

    ASSERT_TRUE(app.Start());
    ExpectBox(kCaption,
              Question(L"игр, типов сервера, приоритетов и путей загрузки карт", L"brvBrivan3.damaged-2.txt"),
              IDYES, "damaged-profile-question");
    ASSERT_NE(app.WaitMainWindow(), nullptr);
    EXPECT_FALSE(app.MessageBoxOpen());
    EXPECT_EQ(dir.Read(kProfile), builtIn);
    const DWORD attrs = dir.Attributes(kProfile);
    EXPECT_TRUE((attrs & FILE_ATTRIBUTE_HIDDEN) && (attrs & FILE_ATTRIBUTE_SYSTEM));
    ASSERT_TRUE(dir.Exists(L"brvBrivan3.damaged-2.txt"));
    EXPECT_EQ(dir.Read(L"brvBrivan3.damaged-2.txt"), "");
    EXPECT_EQ(dir.Attributes(L"brvBrivan3.damaged-2.txt") & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM),
              0u)
        << "the kept file is to be found";
    EXPECT_EQ(dir.Read(L"brvBrivan3.damaged.txt"), "kept from an earlier start");

    // The form is whole again.
    EXPECT_EQ(app.ComboSelection(1011), 0);
    EXPECT_EQ(app.ComboSelection(1015), 1);
    EXPECT_EQ(app.ComboSelection(1012), 1);
    EXPECT_EQ(app.ComboSelection(1001), 1);
    EXPECT_EQ(app.ComboItems(1000), (std::vector<std::wstring>{L"de_dust2", L"de_inferno"}));
    EXPECT_FALSE(app.MessageBoxOpen());
    Exit();
}

TEST_F(DamagedProfile, AnEmptyPriorityListIsNamedAndYesReplacesOnlyThen) {
    const std::string builtIn = DefaultProfile();
    dir.ReplaceProfileSection(L"[PRIORITET]", {});
    const std::string damaged = dir.Read(kProfile);

    ASSERT_TRUE(app.Start());
    ExpectBox(kCaption, Question(L"приоритетов", L"brvBrivan3.damaged.txt"), IDYES);
    ASSERT_NE(app.WaitMainWindow(), nullptr);
    EXPECT_EQ(dir.Read(kProfile), builtIn);
    EXPECT_EQ(dir.Read(L"brvBrivan3.damaged.txt"), damaged);
    Exit();
}

TEST_F(DamagedProfile, NoGoesOnWithTheFileAsItIs) {
    DefaultProfile();
    std::string noise(3001, '\0');
    unsigned seed = 12345;
    for (char& c : noise) {
        seed = seed * 1103515245u + 12345u;
        c = static_cast<char>(seed >> 16);
    }
    Damage(noise);

    ASSERT_TRUE(app.Start());
    const auto box = app.WaitMessageBox();
    ASSERT_TRUE(box.has_value());
    EXPECT_EQ(Utf8(box->caption), Utf8(kCaption));
    EXPECT_EQ(box->text.rfind(L"\n Профиль brvBrivan3.txt повреждён", 0), 0u) << Utf8(box->text);
    Brivan::Answer(*box, IDNO);
    ASSERT_NE(app.WaitMainWindow(), nullptr);
    EXPECT_EQ(dir.Read(kProfile), noise);
    EXPECT_FALSE(dir.Exists(L"brvBrivan3.damaged.txt"));
    EXPECT_FALSE(app.MessageBoxOpen());
    EXPECT_TRUE(app.ComboItems(1000).empty()); // the form as a damaged profile leaves it
    Exit();
}
