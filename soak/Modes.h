#pragma once
// The probe's modes: figures, the long restart run, the fault cases.
#include <string>

namespace probe {

struct Options {
    std::wstring exe;      // Brivan.exe
    std::wstring workDir;  // a prepared working directory (tools/demo-workdir.sh)
    std::wstring cpuKey;   // text unique to Brivan's command line, to find it in /proc
    std::wstring fullDisk; // a small file system for the full-disk case ("" skips it)
    std::wstring only;     // run only this fault case
    int faults = 10000;
    int concurrency = 0; // faults in flight at once (0: a third of the servers)
    int servers = 32;
    unsigned seed = 1;
};

int RunBench(const Options& o);
int RunSoak(const Options& o);
int RunFaults(const Options& o);

} // namespace probe
