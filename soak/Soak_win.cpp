// The long run: many restarts over several servers, each ended from outside at a random moment (some
// still starting up). At the end every server runs exactly once, the active-server drop-down names
// exactly the running servers, Brivan holds as many handles as when the run began, and it still
// answers and exits.
#include "soak/Modes.h"
#include "soak/Probe.h"

#include <algorithm>
#include <map>
#include <random>
#include <set>

#include "res/resource.h"

namespace probe {
using namespace e2e;

namespace {

const wchar_t* const kName = L"Soak";
const int kFirstPort = 27201;

// Each title names exactly one window, owned by a live child server, and the children are exactly
// those owners.
bool Settled(const Brivan& b, int servers, std::vector<DWORD>& owners) {
    owners.clear();
    auto children = ChildProcesses(b.Pid(), L"hlds.exe");
    std::set<DWORD> alive(children.begin(), children.end());
    for (int i = 0; i < servers; ++i) {
        auto w = WindowsTitled(ServerTitle(kName, kFirstPort + i));
        if (w.size() != 1 || !alive.count(w[0].pid))
            return false;
        owners.push_back(w[0].pid);
    }
    return children.size() == static_cast<size_t>(servers);
}

bool WaitSettled(const Brivan& b, int servers, std::vector<DWORD>& owners, unsigned timeoutMs) {
    // Settled twice, a second apart, with the same processes: nothing is still being restarted.
    return WaitFor(
        [&] {
            std::vector<DWORD> first;
            if (!Settled(b, servers, first))
                return false;
            Sleep(1000);
            return Settled(b, servers, owners) && owners == first;
        },
        timeoutMs, 100);
}

// What an operator would look at when servers went missing.
void Describe(const Brivan& b, int servers) {
    for (int i = 0; i < servers; ++i)
        Say("  %s: %zu window(s)\n", Utf8(ServerTitle(kName, kFirstPort + i)).c_str(),
            WindowsTitled(ServerTitle(kName, kFirstPort + i)).size());
    for (DWORD p : ChildProcesses(b.Pid(), L"hlds.exe"))
        Say("  server process %lu: windows %s\n", p, Utf8(WindowTitlesOf(p)).c_str());
    Say("  windows titled \"Console\": %zu; Brivan answers: %s\n", WindowsTitled(L"Console").size(),
        b.Responsive(5000) ? "yes" : "NO");
    for (HWND h : b.Dialogs())
        Say("  Brivan shows \"%s\": %s\n", Utf8(Caption(h)).c_str(),
            Utf8(Brivan::WindowText(GetDlgItem(h, 0xFFFF))).c_str());
}

long SteadyHandleCount(DWORD pid) {
    // The count seen most often over two seconds: the supervision holds a duplicate of each process
    // handle while it waits and lets go between passes, and a platform call may hold one for a moment.
    std::map<long, int> seen;
    for (int i = 0; i < 20; ++i) {
        long n = HandleCount(pid);
        if (n >= 0)
            ++seen[n];
        Sleep(100);
    }
    long best = -1;
    int times = 0;
    for (const auto& [count, k] : seen)
        if (k > times) {
            best = count;
            times = k;
        }
    return best;
}

} // namespace

int RunSoak(const Options& o) {
    Brivan b(o.exe, o.workDir);
    if (!Launch(b)) {
        Say("FAIL: Brivan.exe did not show its main window\n");
        return 1;
    }
    for (int i = 0; i < o.servers; ++i) {
        if (b.StartServer(kName, kFirstPort + i) < 0) {
            const auto box = b.WaitMessageBox(100);
            Say("FAIL: server %d did not start (%s)\n", i + 1, Utf8(box ? box->text : L"").c_str());
            return 1;
        }
    }
    std::vector<DWORD> owners;
    if (!WaitSettled(b, o.servers, owners, 60000)) {
        Say("FAIL: the %d servers did not settle after their start\n", o.servers);
        return 1;
    }
    long handlesAtStart = SteadyHandleCount(b.Pid());
    // One restart of each server first: what the first restart sets up once (and keeps) is not a leak.
    for (DWORD p : owners)
        KillProcess(p);
    if (!WaitSettled(b, o.servers, owners, 60000)) {
        Say("FAIL: the servers did not come back after one restart each\n");
        return 1;
    }
    long handles0 = SteadyHandleCount(b.Pid());
    Say("soak: %d servers running, Brivan holds %ld handles (%ld before their first restart); ending %d "
        "server "
        "processes at random moments\n",
        o.servers, handles0, handlesAtStart, o.restarts);

    std::mt19937 rng(o.seed);
    int ended = 0, duringStartup = 0;
    double t0 = NowMs(), lastReport = t0, lastProgress = t0;
    bool choiceMade = false, hitStarting = false;
    double choiceTime = 0;
    while (ended < o.restarts) {
        // Split the children into those whose console carries the title and those still starting.
        std::vector<DWORD> running, starting;
        {
            std::set<DWORD> titledPids;
            for (int i = 0; i < o.servers; ++i)
                for (const auto& w : WindowsTitled(ServerTitle(kName, kFirstPort + i)))
                    titledPids.insert(w.pid);
            for (DWORD p : ChildProcesses(b.Pid(), L"hlds.exe"))
                (titledPids.count(p) ? running : starting).push_back(p);
        }
        // A share of the ends (a quarter by default) hits a server during its own start-up.
        // The choice holds until a server of that kind is there to end, or for a second at most.
        if (!choiceMade || NowMs() - choiceTime > 1000) {
            hitStarting = std::uniform_int_distribution<int>(0, 99)(rng) < o.startupPercent;
            choiceMade = true;
            choiceTime = NowMs();
        }
        // With nothing starting, ending a running server makes one start.
        const auto& pool = hitStarting && !starting.empty() ? starting : running;
        if (pool.empty()) {
            Sleep(2);
        } else {
            DWORD victim = pool[std::uniform_int_distribution<size_t>(0, pool.size() - 1)(rng)];
            bool titled = &pool == &running;
            Sleep(std::uniform_int_distribution<DWORD>(0, 40)(rng));
            choiceMade = false;
            if (KillProcess(victim)) {
                ++ended;
                lastProgress = NowMs();
                if (!titled)
                    ++duringStartup;
            }
        }
        if (NowMs() - lastReport > 10000) {
            lastReport = NowMs();
            if (!b.Responsive(10000)) {
                Say("FAIL: Brivan's window thread did not answer within 10 s (deadlock?)\n");
                return 1;
            }
            Say("soak: %d ended so far (%d while starting up), %.0f s\n", ended, duringStartup,
                (NowMs() - t0) / 1000.0);
        }
        if (NowMs() - lastProgress > 30000) {
            Say("FAIL: no server process to end for 30 s: restarts stopped (deadlock or lost servers)\n");
            Describe(b, o.servers);
            return 1;
        }
        if (auto box = b.WaitMessageBox(0)) {
            Say("note: message box during the run: %s: %s\n", Utf8(box->caption).c_str(),
                Utf8(box->text).c_str());
            Brivan::Answer(*box, IDOK);
        }
    }
    double secs = (NowMs() - t0) / 1000.0;
    Say("soak: %d server processes ended in %.1f s (%d while starting up)\n", ended, secs, duringStartup);

    int failures = 0;
    if (!WaitSettled(b, o.servers, owners, 60000)) {
        Say("FAIL: after the run the servers did not settle to one process each\n");
        Describe(b, o.servers);
        ++failures;
    } else {
        Say("check: each of the %d servers runs exactly once\n", o.servers);
    }

    std::vector<std::wstring> want;
    for (int i = 0; i < o.servers; ++i)
        want.push_back(ServerTitle(kName, kFirstPort + i));
    auto entries = b.ComboItems(IDC_ACTIVE_SERVER);
    auto sortedEntries = entries;
    std::sort(sortedEntries.begin(), sortedEntries.end());
    std::sort(want.begin(), want.end());
    if (sortedEntries != want) {
        Say("FAIL: drop-down 1002 holds %zu entries, not the %d running servers\n", entries.size(),
            o.servers);
        ++failures;
    } else {
        Say("check: drop-down 1002 names exactly the %d running servers\n", o.servers);
    }

    long handles1 = SteadyHandleCount(b.Pid());
    if (handles0 < 0 || handles1 < 0) {
        Say("note: handle count not available on this platform\n");
    } else if (handles1 > handles0) {
        Say("FAIL: Brivan holds %ld handles, %ld more than when the run began\n", handles1,
            handles1 - handles0);
        ++failures;
    } else {
        Say("check: handle count %ld at the start, %ld at the end\n", handles0, handles1);
    }

    if (!b.Responsive(10000)) {
        Say("FAIL: Brivan's window thread does not answer\n");
        return 1;
    }
    if (!b.Exit()) {
        Say("FAIL: Brivan.exe did not end after Exit (deadlock?)\n");
        return 1;
    }
    bool leftOver = !WaitFor(
        [&] {
            for (DWORD p : owners)
                if (ProcessAlive(p))
                    return false;
            return true;
        },
        10000, 50);
    if (leftOver) {
        Say("FAIL: a server still runs after Exit\n");
        ++failures;
    } else {
        Say("check: Exit ended Brivan and every server\n");
    }
    Say("SOAK|restarts|%d|seconds|%.1f|startup_kills|%d|handles_start|%ld|handles_end|%ld|result|%s\n", ended,
        secs, duringStartup, handles0, handles1, failures ? "FAIL" : "PASS");
    return failures ? 1 : 0;
}

} // namespace probe
