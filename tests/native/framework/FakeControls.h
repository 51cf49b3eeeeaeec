#pragma once
// Plain stand-ins for controls, with the sorting that the real ones do.
#include "framework/ControlViews.h"

#include <algorithm>
#include <cwctype>
#include <string>
#include <vector>

namespace fake {

struct Field : brv::TextField {
    std::wstring text;
    bool enabled = true;
    void Enable(bool on) override { enabled = on; }
    std::wstring Text() const override { return text; }
    void SetText(const std::wstring& t) override { text = t; }
};

struct Button : brv::Control {
    bool enabled = true;
    void Enable(bool on) override { enabled = on; }
};

inline bool LessNoCase(const std::wstring& a, const std::wstring& b) {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](wchar_t x, wchar_t y) {
        return std::towlower(static_cast<wint_t>(x)) < std::towlower(static_cast<wint_t>(y));
    });
}

struct List : brv::ChoiceList {
    explicit List(bool sortedList = false) : sorted(sortedList) {}
    bool sorted;
    std::vector<std::wstring> items;
    int selection = -1;
    bool enabled = true;

    void Enable(bool on) override { enabled = on; }
    int Count() const override { return static_cast<int>(items.size()); }
    std::wstring TextAt(int i) const override {
        return i >= 0 && i < Count() ? items[static_cast<size_t>(i)] : std::wstring();
    }
    int Selection() const override { return selection; }
    void Select(int i) override { selection = i >= 0 && i < Count() ? i : -1; }
    int Add(const std::wstring& t) override {
        auto at = sorted ? std::upper_bound(items.begin(), items.end(), t, LessNoCase) : items.end();
        const int i = static_cast<int>(at - items.begin());
        items.insert(at, t);
        if (selection >= i) {
            ++selection;
        }
        return i;
    }
    void Remove(int i) override {
        items.erase(items.begin() + i);
        if (selection == i) {
            selection = -1;
        } else if (selection > i) {
            --selection;
        }
    }
    void Clear() override {
        items.clear();
        selection = -1;
    }
};

} // namespace fake
