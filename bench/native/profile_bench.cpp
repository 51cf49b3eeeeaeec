// Loads and saves profiles with growing set-master lists and prints the times, so that linear growth
// can be seen. Natively: the same reader (4,096-byte chunks) and writer as the program, with the C
// library's file calls in place of the platform's.
#include "framework/Text.h"
#include "profile/ProfileReader.h"
#include "profile/ProfileWriter.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>

namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

bool Save(const std::string& path, const brvRunSL& record, const ProfileLists& lists) {
    const std::string bytes = brv::ToUtf16Le(brv::ComposeProfileText(record, lists));
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) {
        return false;
    }
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

bool Load(const std::string& path, brvRunSL& record, ProfileLists& lists) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (f == nullptr) {
        return false;
    }
    brv::ProfileReader reader(record, lists);
    char chunk[4096];
    size_t got = 0;
    while ((got = std::fread(chunk, 1, sizeof chunk, f)) > 0) {
        reader.Feed(std::string_view(chunk, got));
    }
    reader.Finish();
    std::fclose(f);
    return true;
}

} // namespace

int main() {
    const std::string path = (std::filesystem::temp_directory_path() / "brv-profile-bench.txt").string();
    std::printf("%10s %12s %10s %10s\n", "setmasters", "file bytes", "save ms", "load ms");
    for (int count : {12500, 25000, 50000, 100000, 200000}) {
        brvRunSL record;
        record.serverName = L"Harrowgate Arena";
        ProfileLists lists;
        lists.games = {L"-game stormline", L"-game sdelta"};
        lists.priorities = {0x100, 0x80, 0x20};
        lists.serverTypes = {L"+sv_lan 1", L"+sv_lan 0"};
        lists.selections = {0, 1, 1, 1};
        for (int i = 0; i < count; ++i) {
            lists.setmasters.push_back(L"198.51.100." + std::to_wstring(i % 256) + L":" +
                                       std::to_wstring(27010 + i % 31));
        }
        double save = 1e9;
        double load = 1e9;
        size_t loaded = 0;
        for (int round = 0; round < 5; ++round) {
            auto t0 = Clock::now();
            if (!Save(path, record, lists)) {
                std::fprintf(stderr, "cannot write %s\n", path.c_str());
                return 1;
            }
            auto t1 = Clock::now();
            brvRunSL back;
            ProfileLists backLists;
            Load(path, back, backLists);
            auto t2 = Clock::now();
            save = std::min(save, Ms(t1 - t0));
            load = std::min(load, Ms(t2 - t1));
            loaded = backLists.setmasters.size();
        }
        if (loaded != lists.setmasters.size()) {
            std::fprintf(stderr, "read back %zu of %zu set-masters\n", loaded, lists.setmasters.size());
            return 1;
        }
        std::printf("%10d %12ju %10.2f %10.2f\n", count,
                    static_cast<uintmax_t>(std::filesystem::file_size(path)), save, load);
    }
    std::filesystem::remove(path);
    return 0;
}
