// Reading and writing large map list files and the start-map search: prints figures.
#include "maps/MapListText.h"

#include <chrono>
#include <cstdio>
#include <string>

int main() {
    using Clock = std::chrono::steady_clock;
    const int lines = 200000;
    std::string file;
    for (int i = 0; i < lines; ++i) {
        file += (i % 50 == 0) ? "// comment\r\n" : "de_map_" + std::to_string(i) + "\r\n";
    }
    auto t0 = Clock::now();
    const auto entries = brv::ParseMapList(file);
    auto t1 = Clock::now();
    const std::string written = brv::FormatMapList(entries);
    auto t2 = Clock::now();
    int found = 0;
    for (int k = 0; k < 100; ++k) {
        found += brv::FindStartMap(entries, L"no_such_map") == -1 ? 1 : 0; // full scan
    }
    auto t3 = Clock::now();
    auto ms = [](auto a, auto b) { return std::chrono::duration<double, std::milli>(b - a).count(); };
    std::printf("map list of %d lines (%zu bytes): read %.1f ms, %zu entries\n", lines, file.size(),
                ms(t0, t1), entries.size());
    std::printf("written back (%zu bytes): %.1f ms\n", written.size(), ms(t1, t2));
    std::printf("start-map search, no match over %zu entries: %.2f ms per search (%d searches)\n",
                entries.size(), ms(t2, t3) / 100, found);
    return 0;
}
