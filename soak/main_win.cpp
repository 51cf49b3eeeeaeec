// brivan_probe: drives the real Brivan.exe from outside for the benchmark table, the soak run and the
// fault cases. Usage: brivan_probe bench|soak|faults --exe Brivan.exe --workdir DIR [options]
#include "soak/Modes.h"
#include "soak/Probe.h"

#include <cstdlib>
#include <cwchar>

int wmain(int argc, wchar_t** argv) {
    using namespace probe;
    if (argc < 2) {
        Say("usage: brivan_probe bench|soak|faults --exe Brivan.exe --workdir DIR [--cpu-key TEXT]\n"
            "       [--faults N] [--servers N] [--concurrency N] [--seed N] [--full-disk DIR] [--case "
            "NAME]\n");
        return 2;
    }
    Options o;
    std::wstring mode = argv[1];
    for (int i = 2; i + 1 < argc; i += 2) {
        std::wstring k = argv[i], v = argv[i + 1];
        if (k == L"--exe")
            o.exe = v;
        else if (k == L"--workdir")
            o.workDir = v;
        else if (k == L"--cpu-key")
            o.cpuKey = v;
        else if (k == L"--full-disk")
            o.fullDisk = v;
        else if (k == L"--case")
            o.only = v;
        else if (k == L"--faults")
            o.faults = _wtoi(v.c_str());
        else if (k == L"--concurrency")
            o.concurrency = _wtoi(v.c_str());
        else if (k == L"--servers")
            o.servers = _wtoi(v.c_str());
        else if (k == L"--seed")
            o.seed = static_cast<unsigned>(_wtoi(v.c_str()));
    }
    if (o.exe.empty() || o.workDir.empty()) {
        Say("brivan_probe: --exe and --workdir are required\n");
        return 2;
    }
    if (o.cpuKey.empty()) {
        // The folder that holds Brivan.exe: the scripts give it a name no other process carries.
        std::wstring dir = o.exe.substr(0, o.exe.find_last_of(L"\\/"));
        o.cpuKey = dir.substr(dir.find_last_of(L"\\/") + 1);
    }
    if (mode == L"bench")
        return RunBench(o);
    if (mode == L"soak")
        return RunSoak(o);
    if (mode == L"faults")
        return RunFaults(o);
    Say("brivan_probe: unknown mode\n");
    return 2;
}
