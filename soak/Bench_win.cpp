// The product's figures, measured from outside on the real Brivan.exe and the stand-in server.
// Prints "FIGURE|name|value|unit|target" lines that tools/bench.sh turns into the table.
#include "soak/Modes.h"
#include "soak/Probe.h"
#include "soak/Stats.h"

#include <set>

#include "res/resource.h"

namespace probe {
using namespace e2e;

namespace {

void Figure(const char* name, double value, const char* unit, const char* target) {
    Say("FIGURE|%s|%.2f|%s|%s\n", name, value, unit, target);
}

// From process creation until its window titled "Console" exists: the stand-in's own start time.
double StandinStart(const std::wstring& workDir, int port) {
    std::wstring exe = workDir + L"\\hlds.exe";
    std::wstring line = L"hlds.exe -game stormline +ip 127.0.0.1 +port " + std::to_wstring(port) +
                        L" +map de_dust2 +maxplayers 8";
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    double t0 = NowMs();
    if (!CreateProcessW(exe.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, workDir.c_str(), &si,
                        &pi))
        return -1;
    bool shown = WaitFor(
        [&] {
            for (const auto& w : WindowsTitled(L"Console"))
                if (w.pid == pi.dwProcessId)
                    return true;
            return false;
        },
        30000, 1);
    double t = NowMs() - t0;
    TerminateProcess(pi.hProcess, 1);
    WaitForSingleObject(pi.hProcess, 10000);
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
    return shown ? t : -1;
}

double IdleCpuPercent(const HostCpu& cpu, DWORD ms) {
    double s0 = cpu.Seconds();
    Sleep(ms);
    double s1 = cpu.Seconds();
    if (s0 < 0 || s1 < 0)
        return -1;
    return (s1 - s0) * 1000.0 / ms * 100.0;
}

} // namespace

int RunBench(const Options& o) {
    const int kStandinRuns = 20, kServers = 32, kCrashes = 30;
    const DWORD kIdleMs = 20000;

    std::vector<double> standin;
    for (int i = 0; i < kStandinRuns; ++i) {
        double t = StandinStart(o.workDir, 27400 + i);
        if (t >= 0)
            standin.push_back(t);
    }
    Say("stand-in start to its \"Console\" window: %zu runs\n", standin.size());

    Brivan b(o.exe, o.workDir);
    double t0 = NowMs();
    if (!Launch(b)) {
        Say("FAIL: Brivan.exe did not show its main window\n");
        return 1;
    }
    double startMs = NowMs() - t0;
    HostCpu cpu;
    if (!cpu.Find(o.cpuKey))
        Say("note: Brivan's host process not found in /proc; CPU figures unavailable\n");
    Sleep(2000);
    double cpu0 = IdleCpuPercent(cpu, kIdleMs);
    uint64_t mem0 = PrivateBytes(b.Process());

    std::vector<double> launch;
    double cpu8 = -1;
    for (int i = 0; i < kServers; ++i) {
        double t = b.StartServer(L"Bench", 27101 + i);
        if (t < 0) {
            const auto box = b.WaitMessageBox(100);
            Say("FAIL: server %d did not start (%s: %s)\n", i + 1, Utf8(box ? box->caption : L"").c_str(),
                Utf8(box ? box->text : L"").c_str());
            return 1;
        }
        launch.push_back(t);
        if (i + 1 == 8) {
            Sleep(2000);
            cpu8 = IdleCpuPercent(cpu, kIdleMs);
        }
    }
    Sleep(2000);
    double cpu32 = IdleCpuPercent(cpu, kIdleMs);
    uint64_t mem32 = PrivateBytes(b.Process());
    uint64_t memStandin = 0;
    if (auto w = WindowsTitled(ServerTitle(L"Bench", 27101)); !w.empty()) {
        if (HANDLE h = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | PROCESS_VM_READ, FALSE, w[0].pid)) {
            memStandin = PrivateBytes(h);
            CloseHandle(h);
        }
    }

    std::vector<double> restart, detect;
    for (int k = 0; k < kCrashes; ++k) {
        std::wstring title = ServerTitle(L"Bench", 27101 + (k * 7) % kServers);
        auto w = WindowsTitled(title);
        if (w.size() != 1)
            continue;
        auto before = ChildProcesses(b.Pid(), L"hlds.exe");
        std::set<DWORD> old(before.begin(), before.end());
        double c0 = NowMs();
        if (!KillProcess(w[0].pid))
            continue;
        double seen = -1;
        bool back = WaitFor(
            [&] {
                if (seen < 0)
                    for (DWORD p : ChildProcesses(b.Pid(), L"hlds.exe"))
                        if (!old.count(p))
                            seen = NowMs() - c0;
                for (const auto& x : WindowsTitled(title))
                    if (x.pid != w[0].pid)
                        return true;
                return false;
            },
            15000, 1);
        if (back) {
            restart.push_back(NowMs() - c0);
            if (seen >= 0)
                detect.push_back(seen);
        }
        Sleep(600); // one server restarts at most once per 500 ms; keep the next kill clear of that
    }

    bool exited = b.Exit();

    Figure("Brivan.exe start to main window", startMs, "ms", "");
    Figure("stand-in start to its console p50", Percentile(standin, 50), "ms", "");
    Figure("stand-in start to its console p95", Percentile(standin, 95), "ms", "");
    Figure("Start to titled console p50 (32 launches)", Percentile(launch, 50), "ms", "");
    Figure("Start to titled console p95", Percentile(launch, 95), "ms", "");
    Figure("launch overhead p50 (less stand-in start)", Percentile(launch, 50) - Percentile(standin, 50),
           "ms", "");
    Figure("launch overhead p95 (less stand-in start)", Percentile(launch, 95) - Percentile(standin, 95),
           "ms", "< 50 ms");
    Figure("crash-to-restart p50 (process ended to titled console)", Percentile(restart, 50), "ms", "");
    Figure("crash-to-restart p95", Percentile(restart, 95), "ms", "");
    Figure("detection latency p50 (process ended to new process)", Percentile(detect, 50), "ms", "");
    Figure("detection latency p95", Percentile(detect, 95), "ms", "");
    Figure("idle CPU, 0 servers", cpu0, "% of one core", "");
    Figure("idle CPU, 8 servers", cpu8, "% of one core", "");
    Figure("idle CPU, 32 servers", cpu32, "% of one core", "< 0.5%");
    Figure("private memory, 0 servers", static_cast<double>(mem0) / 1048576.0, "MiB", "< 8 MB");
    Figure("private memory, 32 servers", static_cast<double>(mem32) / 1048576.0, "MiB", "< 8 MB");
    Figure("stand-in private memory (reference)", static_cast<double>(memStandin) / 1048576.0, "MiB", "");
    Say("samples: launches %zu, stand-in starts %zu, restarts %zu of %d, detections %zu; idle windows %lu "
        "ms\n",
        launch.size(), standin.size(), restart.size(), kCrashes, detect.size(), kIdleMs);
    if (!exited) {
        Say("FAIL: Brivan.exe did not end after Exit\n");
        return 1;
    }
    return restart.size() == static_cast<size_t>(kCrashes) ? 0 : 1;
}

} // namespace probe
