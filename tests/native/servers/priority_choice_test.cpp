#include "servers/PriorityChoice.h"

#include <gtest/gtest.h>

#include <thread>

TEST(PriorityClass, OnlyThePlatformsSixClassesAreAccepted) {
    for (uint32_t c : {0x40u, 0x4000u, 0x20u, 0x8000u, 0x80u, 0x100u}) {
        EXPECT_TRUE(brv::IsPriorityClass(c)) << c;
    }
    // Suspended (4), debug (1, 2), 0x21 normal plus debug, 0x1e5, none, two classes at once.
    for (uint32_t c : {0x4u, 0x1u, 0x2u, 0x21u, 0x1e5u, 0x0u, 0xA0u, 0x104u, 0xFFFFFFFFu}) {
        EXPECT_FALSE(brv::IsPriorityClass(c)) << c;
    }
}

TEST(PriorityClass, RefusalNamesTheValueAsTheProfileWritesIt) {
    EXPECT_EQ(brv::FormatBadPriority(0x1e5), L"Недопустимый приоритет процесса 1e5 в профиле.\n"
                                             L"Допустимы только 40, 4000, 20, 8000, 80 и 100.");
    EXPECT_NE(brv::FormatBadPriority(4).find(L"процесса 4 в"), std::wstring::npos);
}

TEST(PriorityChoice, SelectedIsTheEntryAtTheSelectionOrNone) {
    brv::PriorityChoice choice;
    EXPECT_FALSE(choice.Selected().has_value());
    choice.SetClasses({0x100, 0x80, 0x20});
    EXPECT_FALSE(choice.Selected().has_value()); // nothing selected
    choice.Select(2);
    EXPECT_EQ(choice.Selected(), std::optional<uint32_t>(0x20));
    choice.Select(3);
    EXPECT_FALSE(choice.Selected().has_value());
    choice.Select(-1);
    EXPECT_FALSE(choice.Selected().has_value());
    // Read from another thread while the window thread changes it (the sanitizers watch).
    std::thread reader([&choice] {
        for (int i = 0; i < 1000; ++i) {
            auto c = choice.Selected();
            EXPECT_TRUE(!c || *c == 0x100 || *c == 0x80);
        }
    });
    for (int i = 0; i < 1000; ++i) {
        choice.Select(i % 2);
    }
    reader.join();
}
