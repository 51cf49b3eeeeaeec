#include "framework/Report.h"
#include "framework/Text.h"

#include <gtest/gtest.h>
#include <windows.h>

TEST(WinReport, ReplacedReporterSeesExactTextAndChoosesTheAnswer) {
    std::vector<brv::Report> seen;
    auto previous = brv::SetReporter([&seen](const brv::Report& r) {
        seen.push_back(r);
        return brv::kIdYes;
    });
    EXPECT_EQ(brv::ShowMessage(nullptr, L"\n Вопрос?", L"Запрос", brv::kMbYesNo | brv::kMbIconQuestion),
              brv::kIdYes);
    brv::SetReporter(previous);
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].text, L"\n Вопрос?");
    EXPECT_EQ(seen[0].style, static_cast<unsigned>(MB_YESNO | MB_ICONQUESTION));
}

TEST(WinText, CodecsMatchThePlatformConversions) {
    const std::wstring text = L"Сервер № 1 — \U0001F600";
    char buf[256];
    int n = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, buf, sizeof buf, nullptr, nullptr);
    EXPECT_EQ(brv::ToUtf8(text), std::string(buf, n - 1));
    const std::wstring cyr = L"Карта №5 Ёё";
    n = WideCharToMultiByte(1251, 0, cyr.c_str(), -1, buf, sizeof buf, nullptr, nullptr);
    EXPECT_EQ(brv::ToCp1251(cyr), std::string(buf, n - 1));
}
