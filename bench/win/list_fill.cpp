// What filling the main window's sorted lists costs under Wine: entry by entry as before, and in one go
// (storage reserved, no repainting, the entries put at the end in the control's own order); beside it,
// reading every entry back, as the start-map search does.
// Usage: bench_list_fill [entries]
#include "BenchSupport.h"

#include "framework/Controls_win.h"

#include <random>

namespace {

std::vector<std::wstring> Names(int n) {
    std::vector<std::wstring> names;
    for (int i = 0; i < n; ++i) {
        names.push_back(L"map_" + std::to_wstring(100000 + i));
    }
    std::shuffle(names.begin(), names.end(), std::mt19937(20261207));
    return names;
}

HWND Make(const wchar_t* cls, DWORD style) {
    return CreateWindowExW(0, cls, L"", WS_POPUP | style, 0, 0, 200, 300, nullptr, nullptr, nullptr, nullptr);
}

template <class F> double Time(F&& f) {
    const double t0 = bench::NowMs();
    f();
    return bench::NowMs() - t0;
}

} // namespace

int main(int argc, char** argv) {
    const int n = argc > 1 ? std::atoi(argv[1]) : 200000;
    const int slowN = std::min(n, 20000);
    const auto names = Names(n);
    const auto fewer = Names(slowN);
    std::printf("| %-58s | %9s |\n|%s|-----------|\n", "sorted list fill (ms)", "ms",
                std::string(60, '-').c_str());

    HWND combo = Make(L"COMBOBOX", CBS_DROPDOWNLIST | CBS_SORT | WS_VSCROLL);
    const double comboOne = Time([&] {
        for (const auto& s : fewer) {
            brv::ComboBox(combo).AddString(s);
        }
    });
    DestroyWindow(combo);
    std::printf("| %-58s | %9.0f |\n", ("drop-down, entry by entry, " + std::to_string(slowN)).c_str(),
                comboOne);

    combo = Make(L"COMBOBOX", CBS_DROPDOWNLIST | CBS_SORT | WS_VSCROLL);
    const double comboAll = Time([&] { brv::ComboBox(combo).AddStrings(names); });
    std::printf("| %-58s | %9.0f |\n", ("drop-down, in one go, " + std::to_string(n)).c_str(), comboAll);
    size_t chars = 0;
    const double readBack = Time([&] {
        brv::ComboBox c(combo);
        for (int i = 0, m = c.GetCount(); i < m; ++i) {
            chars += c.GetLBText(i).size();
        }
    });
    std::printf("| %-58s | %9.0f |\n", ("drop-down, every entry read back, " + std::to_string(n)).c_str(),
                readBack);
    DestroyWindow(combo);

    HWND list = Make(L"LISTBOX", LBS_SORT | WS_VSCROLL);
    const double listAll = Time([&] { brv::ListBox(list).AddStrings(names); });
    std::printf("| %-58s | %9.0f |\n", ("list box, in one go, " + std::to_string(n)).c_str(), listAll);
    DestroyWindow(list);
    list = Make(L"LISTBOX", WS_VSCROLL); // no sorting: the insertions alone
    const double unsorted = Time([&] { brv::ListBox(list).AddStrings(names); });
    std::printf("| %-58s | %9.0f |\n", ("list box without sorting, in one go, " + std::to_string(n)).c_str(),
                unsorted);
    DestroyWindow(list);
    return chars > 0 ? 0 : 1;
}
