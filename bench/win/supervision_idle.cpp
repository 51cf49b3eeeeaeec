// Idle cost of the supervision thread: its CPU time over a quiet period with 0 and with 8 servers.
#include "BenchSupport.h"

#include "servers/Launch.h"
#include "servers/Supervisor.h"

#include <cstdio>

namespace {

void Measure(brv::Supervisor& supervisor, int seconds, int servers) {
    HANDLE t = static_cast<HANDLE>(supervisor.ThreadHandle());
    Sleep(1000); // settle after start and launches
    const double cpu0 = bench::ThreadCpuMs(t);
    const uint64_t passes0 = supervisor.Passes();
    const double t0 = bench::NowMs();
    Sleep(static_cast<DWORD>(seconds) * 1000);
    const double wall = bench::NowMs() - t0;
    const double cpu = bench::ThreadCpuMs(t) - cpu0;
    std::printf("%d servers: supervision thread CPU %.1f ms over %.1f s = %.3f%% of one core, %llu passes\n",
                servers, cpu, wall / 1000.0, 100.0 * cpu / wall,
                static_cast<unsigned long long>(supervisor.Passes() - passes0));
}

} // namespace

int main(int argc, char** argv) {
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 60;
    std::wstring dir = bench::MakeWorkDir();
    bench::Rig rig(dir);
    {
        brv::Supervisor supervisor(rig.host, rig.table, rig.consoles, rig.priorities);
        supervisor.Start();
        Measure(supervisor, seconds, 0);
    }
    for (int i = 0; i < 8; ++i) {
        if (!rig.Launch(L"Idle" + std::to_wstring(i), std::to_wstring(27180 + i))) {
            std::printf("launch %d failed\n", i);
        }
    }
    brv::Supervisor supervisor(rig.host, rig.table, rig.consoles, rig.priorities);
    supervisor.Start();
    Measure(supervisor, seconds, rig.table.Count());
    supervisor.Stop();
    rig.EndAll();
    return 0;
}
