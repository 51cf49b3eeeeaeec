// The query watchdog at 32 and 100 servers on 127.0.0.1: the idle CPU of the process with the
// watchdog on, the packets per second it sends, and how long after a `hang` the server is found hung,
// against the settings.
#include "BenchSupport.h"

#include "query/QueryWatchdog_win.h"
#include "servers/ServerChannel.h"
#include "servers/Supervisor.h"

#include <cstdio>
#include <map>
#include <mutex>

namespace {

class HangRecorder : public brv::ServerEvents {
public:
    void Hung(const brvRunSL& record, uint64_t, const brv::RestartPlan&) override {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_hungAt[record.processId] = bench::NowMs();
    }
    std::optional<double> HungAt(uint32_t pid) {
        std::lock_guard<std::mutex> lock(m_mutex);
        auto it = m_hungAt.find(pid);
        return it != m_hungAt.end() ? std::optional<double>(it->second) : std::nullopt;
    }

private:
    std::mutex m_mutex;
    std::map<uint32_t, double> m_hungAt;
};

double ProcessCpuMs() {
    FILETIME c, e, k, u;
    GetProcessTimes(GetCurrentProcess(), &c, &e, &k, &u);
    auto ms = [](FILETIME f) {
        return static_cast<double>((static_cast<uint64_t>(f.dwHighDateTime) << 32) | f.dwLowDateTime) /
               10000.0;
    };
    return ms(k) + ms(u);
}

struct Shared {
    std::mutex mutex;
    brv::WatchdogSettings settings;
    brv::WatchdogSettings Get() {
        std::lock_guard<std::mutex> lock(mutex);
        return settings;
    }
    void Set(int interval, int hang) {
        std::lock_guard<std::mutex> lock(mutex);
        settings.queryInterval = interval;
        settings.hangSeconds = hang;
    }
};

bool AllRunning(brv::QueryWatchdog& q, size_t n) {
    auto lines = q.Status();
    return lines.size() == n && std::all_of(lines.begin(), lines.end(), [](const brv::query::StatusEntry& e) {
               return e.state == brv::query::ServerState::Running;
           });
}

void Idle(const char* label, int servers, int seconds, brv::Supervisor& sup, brv::QueryWatchdog& q) {
    HANDLE t = static_cast<HANDLE>(sup.ThreadHandle());
    const double thread0 = bench::ThreadCpuMs(t), process0 = ProcessCpuMs(), wall0 = bench::NowMs();
    const uint64_t passes0 = sup.Passes();
    const uint64_t sent0 = q.PacketsSent(), rounds0 = q.Rounds();
    Sleep(static_cast<DWORD>(seconds) * 1000);
    const double wall = bench::NowMs() - wall0;
    std::printf("%d servers, %s: process CPU %.3f%% of one core, supervision thread %.3f%%, %.1f packets/s, "
                "%.1f watchdog rounds/s, %.1f passes/s\n",
                servers, label, 100.0 * (ProcessCpuMs() - process0) / wall,
                100.0 * (bench::ThreadCpuMs(t) - thread0) / wall,
                static_cast<double>(q.PacketsSent() - sent0) * 1000.0 / wall,
                static_cast<double>(q.Rounds() - rounds0) * 1000.0 / wall,
                static_cast<double>(sup.Passes() - passes0) * 1000.0 / wall);
}

void Run(int servers, int hangs, int idleSeconds) {
    std::wstring dir = bench::MakeWorkDir();
    bench::Rig rig(dir);
    for (int i = 0; i < servers; ++i) {
        if (!rig.Launch(L"Watch" + std::to_wstring(i), std::to_wstring(27200 + i))) {
            std::printf("launch %d failed\n", i);
        }
    }
    HangRecorder events;
    Shared shared;
    {
        brv::Supervisor plain(rig.host, rig.table, rig.consoles, rig.priorities, 500, &events);
        plain.Lives().SetSettings(brv::RestartPolicy::GapOnly());
        plain.Start();
        Sleep(5000); // the consoles are found and titled
        HANDLE t = static_cast<HANDLE>(plain.ThreadHandle());
        const double thread0 = bench::ThreadCpuMs(t), process0 = ProcessCpuMs(), wall0 = bench::NowMs();
        Sleep(static_cast<DWORD>(idleSeconds) * 1000);
        const double wall = bench::NowMs() - wall0;
        std::printf("%d servers, watchdog off: process CPU %.3f%% of one core, supervision thread %.3f%%\n",
                    servers, 100.0 * (ProcessCpuMs() - process0) / wall,
                    100.0 * (bench::ThreadCpuMs(t) - thread0) / wall);
    }
    brv::Supervisor sup(rig.host, rig.table, rig.consoles, rig.priorities, 500, &events);
    sup.Lives().SetSettings(brv::RestartPolicy::GapOnly());
    brv::QueryWatchdog q(rig.table, events, [&shared] { return shared.Get(); });
    sup.SetWaitSide(q.Side());
    sup.Start();
    const double up0 = bench::NowMs();
    while (!AllRunning(q, static_cast<size_t>(servers)) && bench::NowMs() - up0 < 120000) {
        Sleep(200);
    }
    Sleep(5000); // the consoles are found and titled; then nothing happens
    Idle("QueryInterval 10 (default)", servers, idleSeconds, sup, q);
    shared.Set(1, 3);
    Sleep(1500);
    Idle("QueryInterval 1", servers, idleSeconds / 2, sup, q);

    // Hangs, a second apart, with QueryInterval 1 and HangSeconds 3.
    std::vector<double> found;
    std::vector<std::pair<uint32_t, double>> sent;
    for (int i = 0; i < hangs; ++i) {
        const int index = i * servers / hangs;
        const std::wstring title =
            L"Watch" + std::to_wstring(index) + L" - " + std::to_wstring(27200 + index);
        auto rec = rig.table.FindByTitle(title);
        if (!rec) {
            continue;
        }
        sent.push_back({rec->processId, bench::NowMs()});
        brv::SendCommandToTitle(rig.table, title, L"hang \n");
        Sleep(1000 + static_cast<DWORD>(i * 137 % 1000));
    }
    for (const auto& [pid, at] : sent) {
        std::optional<double> hung;
        for (double end = bench::NowMs() + 20000; !(hung = events.HungAt(pid)) && bench::NowMs() < end;) {
            Sleep(50);
        }
        if (hung) {
            found.push_back((*hung - at) / 1000.0);
        }
    }
    std::printf(
        "%d servers: hang found after p50 %.2f s, p95 %.2f s, max %.2f s (%zu of %zu; setting: HangSeconds 3 "
        "+ QueryInterval 1 = bound 4 s)\n",
        servers, bench::Percentile(found, 0.5), bench::Percentile(found, 0.95),
        found.empty() ? 0.0 : *std::max_element(found.begin(), found.end()), found.size(), sent.size());
    sup.Stop();
    rig.EndAll();
}

} // namespace

int main(int argc, char** argv) {
    const int idleSeconds = argc > 1 ? std::atoi(argv[1]) : 20;
    Run(32, 8, idleSeconds);
    Run(100, 16, idleSeconds);
    return 0;
}
