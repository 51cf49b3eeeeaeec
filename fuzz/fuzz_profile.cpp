// The profile reader on any bytes: no crash, no sanitizer report; reading in chunks of any size gives
// what one whole read gives; and a profile written from what was read reads back to the same values,
// unless a value is itself a section name (the format cannot hold such a value).
#include "framework/Text.h"
#include "profile/ProfileFormat.h"
#include "profile/ProfileReader.h"
#include "profile/ProfileWriter.h"

#include <cstdint>
#include <cstdlib>
#include <cstdio>
#include <string_view>

namespace {

struct Parsed {
    brvRunSL record;
    ProfileLists lists;
};

std::vector<std::wstring> Singles(const brvRunSL& r) {
    return {r.serverName, r.map, r.ip, r.port, r.playerCount, r.extraParams, r.rconPassword, r.gamePassword};
}

bool SameLists(const ProfileLists& a, const ProfileLists& b) {
    return a.games == b.games && a.priorities == b.priorities && a.serverTypes == b.serverTypes &&
           a.selections == b.selections && a.mapSources == b.mapSources && a.extraChoices == b.extraChoices &&
           a.storedCommands == b.storedCommands && a.setmasters == b.setmasters;
}

bool AnyHeaderValue(const Parsed& p) {
    auto header = [](const std::wstring& v) { return brv::HeaderOf(v) != brv::Section::kNone; };
    for (const auto& v : Singles(p.record))
        if (header(v))
            return true;
    for (const auto* list : {&p.lists.games, &p.lists.serverTypes, &p.lists.mapSources, &p.lists.extraChoices,
                             &p.lists.storedCommands, &p.lists.setmasters})
        for (const auto& v : *list)
            if (header(v))
                return true;
    return false;
}

[[noreturn]] void Fail(const char* what) {
    fprintf(stderr, "profile fuzz: %s\n", what);
    abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view bytes(reinterpret_cast<const char*>(data), size);

    Parsed whole;
    brv::ReadProfileBytes(bytes, whole.record, whole.lists);

    // The same bytes in chunks whose sizes come from the input itself.
    Parsed chunked;
    {
        brv::ProfileReader reader(chunked.record, chunked.lists);
        size_t at = 0, step = size ? 1 + data[0] % 7 : 1;
        while (at < size) {
            size_t n = std::min(step, size - at);
            reader.Feed(bytes.substr(at, n));
            at += n;
            step = 1 + (step * 5 + 3) % 11;
        }
        reader.Finish();
    }
    if (Singles(chunked.record) != Singles(whole.record) || !SameLists(chunked.lists, whole.lists))
        Fail("a chunked read differs from a whole read");

    if (AnyHeaderValue(whole))
        return 0;
    std::string written = brv::ToUtf16Le(brv::ComposeProfileText(whole.record, whole.lists));
    Parsed again;
    brv::ReadProfileBytes(written, again.record, again.lists);
    if (Singles(again.record) != Singles(whole.record))
        Fail("a single value did not survive writing and reading");
    if (!SameLists(again.lists, whole.lists))
        Fail("a list did not survive writing and reading");
    // Written again, the text is the same: the layout is stable.
    if (brv::ToUtf16Le(brv::ComposeProfileText(again.record, again.lists)) != written)
        Fail("writing what was read back gives a different text");
    return 0;
}
