// The map list reader on any bytes: no crash, no sanitizer report; no entry is empty, a comment or
// holds a line feed; entries written back and read again are the same; the start-map search finds
// an entry that begins with the map whatever its letter case.
#include "framework/Text.h"
#include "maps/MapListText.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

namespace {

[[noreturn]] void Fail(const char* what) {
    fprintf(stderr, "map list fuzz: %s\n", what);
    abort();
}

std::wstring AsciiCase(std::wstring text, bool upper) {
    for (auto& c : text)
        if (upper && c >= L'a' && c <= L'z')
            c = static_cast<wchar_t>(c - 32);
        else if (!upper && c >= L'A' && c <= L'Z')
            c = static_cast<wchar_t>(c + 32);
    return text;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    auto entries = brv::ParseMapList(bytes);
    for (const auto& e : entries) {
        if (e.empty() || e[0] == L';' || e.compare(0, 2, L"//") == 0)
            Fail("an empty or comment line became an entry");
        if (e.find(L'\n') != std::wstring::npos)
            Fail("an entry holds a line feed");
    }
    // Every byte has a character in code page 1251 and back, so an edit keeps the names.
    if (brv::ParseMapList(brv::FormatMapList(entries)) != entries)
        Fail("entries written and read again differ");

    if (!entries.empty()) {
        // A map to look for: a prefix of one entry. That entry or an earlier one is found, and the
        // letter case of the map does not change which.
        size_t pick = data[0] % entries.size();
        std::wstring map = entries[pick].substr(0, size % (entries[pick].size() + 1));
        int found = brv::FindStartMap(entries, map);
        if (found < 0 || found > static_cast<int>(pick))
            Fail("the start map search missed an entry that begins with the map");
        if (brv::FindStartMap(entries, AsciiCase(map, true)) != found ||
            brv::FindStartMap(entries, AsciiCase(map, false)) != found)
            Fail("the start map search depends on the letter case of the map");
    }
    std::wstring name = brv::FromCp1251(bytes);
    if (brv::MapNameFromFileName(name).size() != (name.size() > 4 ? name.size() - 4 : 0))
        Fail("a map name is not its file name less four characters");
    return 0;
}
