// Fault cases on the real program: read-only profile and map list, a full disk, an unreadable
// "server.cfg", a port taken by another program, a server that never shows its console, a storm of
// fatal-error windows. Each must give its message or be survived, and no file that was on disk may
// be lost or half-written.
#include "soak/FaultCases.h"

#include "framework/FileBytes_win.h"

namespace probe {
using namespace e2e;

namespace {
int g_failures = 0;
} // namespace

void Result(const char* name, bool ok, const std::string& detail) {
    Say("CASE|%s|%s|%s\n", name, ok ? "PASS" : "FAIL", detail.c_str());
    if (!ok) {
        ++g_failures;
    }
}

bool StartsWith(const std::wstring& text, const std::wstring& prefix) {
    return text.compare(0, prefix.size(), prefix) == 0;
}

std::vector<MessageBoxSeen> TakeBoxes(const Brivan& b, unsigned firstMs, unsigned moreMs) {
    std::vector<MessageBoxSeen> boxes;
    unsigned wait = firstMs;
    while (auto box = b.WaitMessageBox(wait)) {
        Say("  message \"%s\": %s\n", Utf8(box->caption).c_str(), Utf8(box->text).c_str());
        boxes.push_back(*box);
        Brivan::Answer(*box, IDOK);
        wait = moreMs;
    }
    return boxes;
}

std::wstring CaseDir(const Options& o, const wchar_t* name) {
    std::wstring dir = o.workDir + L"-" + name;
    CopyTree(o.workDir, dir);
    return dir;
}

bool NoServers(const Brivan& b) {
    return ChildProcesses(b.Pid(), L"hlds.exe").empty();
}

std::string Bytes(const std::wstring& path) {
    return brv::ReadFileBytes(path).value_or(std::string());
}

int RunFaults(const Options& o) {
    struct Case {
        const wchar_t* name;
        void (*run)(const Options&);
    } cases[] = {
        {L"readonly-profile", ReadOnlyProfile},
        {L"readonly-maplist", ReadOnlyMapList},
        {L"full-disk", FullDisk},
        {L"unreadable-servercfg", UnreadableServerCfg},
        {L"port-taken", PortTaken},
        {L"no-console", NoConsole},
        {L"fatal-storm", FatalStorm},
    };
    for (const auto& c : cases) {
        if (o.only.empty() || o.only == c.name) {
            Say("== fault: %s\n", Utf8(c.name).c_str());
            c.run(o);
        }
    }
    Say("faults: %d failed\n", g_failures);
    return g_failures ? 1 : 0;
}

} // namespace probe
