// Many entries at once: the order a sorted control shows is the one its own sorting gives.
#include "framework/Controls_win.h"

#include <gtest/gtest.h>

#include <random>

namespace {

class Control {
public:
    Control(const wchar_t* cls, DWORD style)
        : m_hwnd(CreateWindowExW(0, cls, L"", WS_POPUP | style, 0, 0, 200, 300, nullptr, nullptr, nullptr,
                                 nullptr)) {}
    ~Control() { DestroyWindow(m_hwnd); }
    HWND Handle() const { return m_hwnd; }

private:
    HWND m_hwnd;
};

std::vector<std::wstring> Mixed() {
    std::vector<std::wstring> texts = {
        L"de_dust2", L"De_Dust", L"de-dust", L"de_dust10", L"de1",        L"_hidden", L"aim_map", L"AIM_map",
        L"карта_1",  L"Карта",   L"z",       L"Z",         L"10.0.0.1",   L"9.0.0.1", L"a b",     L"ab",
        L"a'b",      L"",        L"éclair",  L"eclair",    L"[EU] Arena", L"(x)",     L"~tilde",  L"0"};
    for (int i = 0; i < 300; ++i) {
        texts.push_back(L"map_" + std::to_wstring(i * 37 % 301));
    }
    std::shuffle(texts.begin(), texts.end(), std::mt19937(7));
    return texts;
}

std::vector<std::wstring> ListTexts(const brv::ListBox& list) {
    std::vector<std::wstring> out;
    for (int i = 0, n = list.GetCount(); i < n; ++i) {
        out.push_back(list.GetText(i));
    }
    return out;
}

bool SameIgnoringCase(const std::wstring& a, const std::wstring& b) {
    return CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a.c_str(), -1, b.c_str(), -1) == CSTR_EQUAL;
}

} // namespace

TEST(ListFill, ASortedListFilledAtOnceShowsTheOrderItsOwnSortingGives) {
    const auto texts = Mixed();
    Control fast(L"LISTBOX", LBS_SORT), slow(L"LISTBOX", LBS_SORT);
    brv::ListBox(fast.Handle()).AddStrings(texts);
    for (const auto& t : texts) {
        brv::ListBox(slow.Handle()).AddString(t);
    }
    const auto a = ListTexts(brv::ListBox(fast.Handle())), b = ListTexts(brv::ListBox(slow.Handle()));
    ASSERT_EQ(a.size(), texts.size());
    ASSERT_EQ(b.size(), texts.size());
    for (size_t i = 0; i < a.size(); ++i) {
        EXPECT_TRUE(SameIgnoringCase(a[i], b[i])) << i; // entries equal but for case may stand either way
    }
    // What the operator adds later is placed by the control among them.
    const int at = brv::ListBox(fast.Handle()).AddString(L"de_dust3");
    EXPECT_TRUE(SameIgnoringCase(brv::ListBox(fast.Handle()).GetText(at - 1), L"de_dust2"));
}

TEST(ListFill, AnUnsortedListKeepsTheGivenOrderAndAFilledSortedListPlacesTheNewOnes) {
    const auto texts = Mixed();
    Control plain(L"LISTBOX", 0);
    brv::ListBox(plain.Handle()).AddStrings(texts);
    EXPECT_EQ(ListTexts(brv::ListBox(plain.Handle())), texts);

    Control sorted(L"LISTBOX", LBS_SORT);
    brv::ListBox list(sorted.Handle());
    list.AddString(L"m");
    list.AddStrings({L"z", L"a", L"n"});
    EXPECT_EQ(ListTexts(list), (std::vector<std::wstring>{L"a", L"m", L"n", L"z"}));
}

TEST(ListFill, ASortedDropDownFilledAtOnceMatchesOneFilledEntryByEntry) {
    const auto texts = Mixed();
    Control fast(L"COMBOBOX", CBS_DROPDOWNLIST | CBS_SORT), slow(L"COMBOBOX", CBS_DROPDOWNLIST | CBS_SORT);
    brv::ComboBox(fast.Handle()).AddStrings(texts);
    for (const auto& t : texts) {
        brv::ComboBox(slow.Handle()).AddString(t);
    }
    brv::ComboBox a(fast.Handle()), b(slow.Handle());
    ASSERT_EQ(a.GetCount(), static_cast<int>(texts.size()));
    ASSERT_EQ(b.GetCount(), static_cast<int>(texts.size()));
    for (int i = 0; i < a.GetCount(); ++i) {
        EXPECT_TRUE(SameIgnoringCase(a.GetLBText(i), b.GetLBText(i))) << i;
    }
}
