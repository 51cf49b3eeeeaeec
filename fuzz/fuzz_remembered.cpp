// The remembered-servers reader on any bytes: no crash, no sanitizer report; what it takes as valid
// is exactly what the writer writes for what it read. And for entries made of the input's own text:
// writing and reading gives them back, and no cut of that file is ever taken as valid.
#include "framework/Text.h"
#include "restore/RememberedServers.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

namespace {

[[noreturn]] void Fail(const char* what) {
    fprintf(stderr, "remembered fuzz: %s\n", what);
    abort();
}

std::vector<brv::RememberedServer> EntriesFrom(std::string_view bytes) {
    // The input read as UTF-16LE (text as the platform holds it), split at '|' into the values of up
    // to three entries.
    const std::wstring text = brv::FromUtf16Le(bytes);
    std::vector<std::wstring> pieces(1);
    for (wchar_t c : text) {
        if (c == L'|') {
            pieces.emplace_back();
        } else {
            pieces.back().push_back(c);
        }
    }
    std::vector<brv::RememberedServer> out;
    size_t at = 0;
    auto next = [&] { return pieces[at++ % pieces.size()]; };
    const size_t count = bytes.empty() ? 0 : 1 + static_cast<unsigned char>(bytes[0]) % 3;
    for (size_t i = 0; i < count; ++i) {
        brv::RememberedServer e;
        e.record.serverName = next();
        e.record.serverTitle = next();
        e.record.commandLine = next();
        e.record.extraParams = next();
        e.record.gamePassword = next();
        e.record.workDir = next();
        e.processId = static_cast<uint32_t>(bytes.size() * 7919 + i);
        e.creationTime = static_cast<uint64_t>(bytes.size()) << 40 | i;
        e.serverMapping = -static_cast<int64_t>(bytes.size());
        e.record.startMapIndex = static_cast<int32_t>(i) - 1;
        out.push_back(e);
    }
    return out;
}

bool Same(const brv::RememberedServer& a, const brv::RememberedServer& b) {
    return a.record.serverName == b.record.serverName && a.record.serverTitle == b.record.serverTitle &&
           a.record.commandLine == b.record.commandLine && a.record.extraParams == b.record.extraParams &&
           a.record.gamePassword == b.record.gamePassword && a.record.workDir == b.record.workDir &&
           a.processId == b.processId && a.creationTime == b.creationTime &&
           a.serverMapping == b.serverMapping && a.record.startMapIndex == b.record.startMapIndex;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view bytes(reinterpret_cast<const char*>(data), size);

    brv::RememberedRead read = brv::ReadRemembered(bytes);
    if (read.valid != read.reason.empty()) {
        Fail("a refusal without a reason, or a reason for a valid file");
    }
    if (read.valid && brv::RememberedBytes(read.servers) != bytes) {
        Fail("a file read as valid is not what the writer writes for it");
    }
    if (!read.valid && !read.servers.empty()) {
        Fail("a refused file gave entries");
    }

    const std::vector<brv::RememberedServer> entries = EntriesFrom(bytes);
    const std::string written = brv::RememberedBytes(entries);
    brv::RememberedRead back = brv::ReadRemembered(written);
    if (!back.valid || back.servers.size() != entries.size()) {
        Fail("a written file does not read back whole");
    }
    for (size_t i = 0; i < entries.size(); ++i) {
        if (!Same(entries[i], back.servers[i])) {
            Fail("an entry changed on its way through the file");
        }
    }
    const size_t cut = size == 0 ? 0 : (static_cast<size_t>(data[size - 1]) * 131 + size) % written.size();
    if (brv::ReadRemembered(std::string_view(written).substr(0, cut)).valid) {
        Fail("a cut file was read as valid");
    }
    return 0;
}
