// The soak's faults: chosen at random by kind and server, several in flight on different servers, each
// timed until the server runs again (a new process carrying its console title).
#include "soak/Probe.h"
#include "soak/SoakRun.h"

#include "res/resource.h"

#include <algorithm>
#include <set>

namespace probe {
using namespace e2e;

namespace {

// Per thousand faults; Brivan's own end and the stop on purpose come at planned points instead.
constexpr int kWeights[] = {480, 280, 110, 70, 20, 40};
constexpr double kBoundMs = 120000; // a server not back by then is lost
constexpr double kSettleMs = 1500;  // a server is faulted again only after this long up

uint64_t FileSize(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA a{};
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &a)) {
        return 0;
    }
    return (static_cast<uint64_t>(a.nFileSizeHigh) << 32) | a.nFileSizeLow;
}

void SetReadOnly(const std::wstring& path, bool readOnly) {
    const DWORD a = GetFileAttributesW(path.c_str());
    if (a != INVALID_FILE_ATTRIBUTES) {
        SetFileAttributesW(path.c_str(),
                           readOnly ? (a | FILE_ATTRIBUTE_READONLY) : (a & ~FILE_ATTRIBUTE_READONLY));
    }
}

} // namespace

const char* KindName(FaultKind kind) {
    static const char* const names[] = {"kill",    "fatal-window", "hang", "crash-loop", "access-violation",
                                        "journal", "brivan"};
    return names[static_cast<int>(kind)];
}

SoakRun::SoakRun(const Options& o, Fleet& fleet)
    : m_o(o), m_fleet(fleet), m_rng(o.seed), m_count(static_cast<int>(FaultKind::Count)),
      m_recover(static_cast<int>(FaultKind::Count)) {
    const size_t n = fleet.Servers().size();
    m_concurrency = o.concurrency > 0 ? o.concurrency : std::clamp(static_cast<int>(n) / 3, 1, 16);
    m_busy.assign(n, false);
    m_lost.assign(n, false);
    m_upSince.assign(n, 0);
    m_lastOwner.assign(n, 0);
}

std::wstring SoakRun::DieFile(int server) const {
    return m_o.workDir + L"\\standin-" +
           std::to_wstring(m_fleet.Servers()[static_cast<size_t>(server)].port) + L".die";
}

bool SoakRun::Open() {
    m_instances.push_back(std::make_unique<Brivan>(m_o.exe, m_o.workDir));
    m_measures.emplace_back();
    Brivan& b = App();
    if (!b.Start()) {
        Say("FAIL: cannot start Brivan.exe (error %lu)\n", GetLastError());
        return false;
    }
    // Taking servers over may keep the window thread busy for a while on a loaded machine, and a busy
    // thread counts as not answering at once: look again, within a bound.
    const double t0 = NowMs();
    while (NowMs() - t0 < 120000) {
        if (b.WaitMainWindow(10000)) {
            if (NowMs() - t0 > 10000) {
                Say("note: Brivan's window answered only %.1f s after its start\n", (NowMs() - t0) / 1000);
            }
            return true;
        }
        if (!b.Running()) {
            Say("FAIL: Brivan ended during its start\n");
            return false;
        }
    }
    Say("FAIL: Brivan's main window did not answer within 120 s of its start\n");
    return false;
}

bool SoakRun::Settle(unsigned ms) {
    auto settled = [&](std::set<DWORD>& owners) {
        owners.clear();
        m_fleet.Observe();
        for (size_t i = 0; i < m_fleet.Servers().size(); ++i) {
            if (m_fleet.Servers()[i].stopped) {
                if (m_fleet.WindowCount(i) != 0) {
                    return false;
                }
                continue;
            }
            const DWORD p = m_fleet.Owner(i);
            if (!p) {
                return false;
            }
            owners.insert(p);
        }
        // A process that carries no title for a minute is an orphan: told once, then left aside so
        // the run goes on; the end check counts it.
        std::set<DWORD> all;
        for (DWORD p : AllServerProcesses()) {
            if (owners.count(p) || m_orphans.count(p)) {
                continue;
            }
            const double since = m_untitledSince.emplace(p, NowMs()).first->second;
            if (NowMs() - since < 60000) {
                all.insert(p);
                continue;
            }
            m_orphans.insert(p);
            m_fleet.ReadLog();
            const StartLine* s = m_fleet.StartOf(p);
            Say("FAIL: hlds.exe process %lu has carried no server's title for a minute (started with port "
                "%d, "
                "map %s; no start line: it never ran its own code)\n",
                p, s ? s->port : 0, s ? s->map.c_str() : "?");
        }
        return all.empty();
    };
    return WaitFor(
        [&] {
            std::set<DWORD> first, second;
            AnswerBoxes();
            if (!settled(first)) {
                return false;
            }
            Sleep(1000);
            return settled(second) && first == second;
        },
        ms, 200);
}

void SoakRun::AnswerBoxes() {
    while (auto box = App().WaitMessageBox(0)) {
        ++m_boxes;
        Say("FAIL: message box during the run: %s: %s\n", Utf8(box->caption).c_str(),
            Utf8(box->text).c_str());
        Brivan::Answer(*box, IDOK);
    }
}

void SoakRun::Measure(bool start) {
    Instance& m = m_measures.back();
    const long h = SteadyHandleCount(App().Pid());
    const uint64_t mem = PrivateBytes(App().Process());
    (start ? m.handles0 : m.handles1) = h;
    (start ? m.memory0 : m.memory1) = mem;
}

bool SoakRun::WarmUpAndMeasure() {
    m_fleet.Observe();
    for (size_t i = 0; i < m_fleet.Servers().size(); ++i) {
        if (const DWORD p = m_fleet.Owner(i)) {
            KillProcess(p);
        }
    }
    if (!Settle(180000)) {
        Say("FAIL: the servers did not settle after one restart each\n");
        Describe();
        return false;
    }
    Measure(true);
    Say("soak: Brivan %lu holds %ld handles, %.1f MB private memory\n", App().Pid(),
        m_measures.back().handles0, m_measures.back().memory0 / 1048576.0);
    return true;
}

FaultKind SoakRun::Pick() {
    int r = std::uniform_int_distribution<int>(0, 999)(m_rng);
    for (int k = 0; k < static_cast<int>(std::size(kWeights)); ++k) {
        if (r < kWeights[k]) {
            const auto kind = static_cast<FaultKind>(k);
            return kind == FaultKind::Journal && m_journalBusy ? FaultKind::Kill : kind;
        }
        r -= kWeights[k];
    }
    return FaultKind::Kill;
}

bool SoakRun::Inject(FaultKind kind) {
    Fault f;
    f.kind = kind;
    f.injected = f.clock = NowMs();
    if (kind == FaultKind::Journal) {
        const std::wstring log = m_o.workDir + L"\\Brivan.log";
        SetReadOnly(log, true);
        f.fixAt = f.injected + std::uniform_int_distribution<int>(2000, 6000)(m_rng);
        m_journalBusy = true;
        m_inFlight.push_back(f);
        return true;
    }
    std::vector<int> free;
    for (size_t i = 0; i < m_fleet.Servers().size(); ++i) {
        const DWORD p = m_fleet.Owner(i);
        if (!m_fleet.Servers()[i].stopped && !m_busy[i] && !m_lost[i] && p && p == m_lastOwner[i] &&
            f.injected - m_upSince[i] > kSettleMs) {
            free.push_back(static_cast<int>(i));
        }
    }
    if (free.empty()) {
        return false;
    }
    f.server = free[std::uniform_int_distribution<size_t>(0, free.size() - 1)(m_rng)];
    f.victim = m_lastOwner[static_cast<size_t>(f.server)];
    bool ok = true;
    switch (kind) {
    case FaultKind::Kill:
        ok = KillProcess(f.victim);
        break;
    case FaultKind::Fatal:
        ok = m_fleet.Send(f.victim, std::uniform_int_distribution<int>(0, 1)(m_rng) ? L"crash" : L"crash2");
        break;
    case FaultKind::Hang:
        ok = m_fleet.Send(f.victim, L"hang");
        break;
    case FaultKind::AccessViolation:
        ok = m_fleet.Send(f.victim, L"access_violation");
        break;
    case FaultKind::Loop: {
        HANDLE h =
            CreateFileW(DieFile(f.server).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        DWORD put = 0;
        WriteFile(h, "1", 1, &put, nullptr);
        CloseHandle(h);
        ok = KillProcess(f.victim);
        // Long enough for the governor to pace it: one quick death restarts at once, the next ones wait.
        f.fixAt = f.injected + std::uniform_int_distribution<int>(4000, 9000)(m_rng);
        if (!ok) {
            DeleteFileW(DieFile(f.server).c_str());
        }
        break;
    }
    default:
        break;
    }
    if (!ok) {
        return false; // it ended on its own meanwhile, or its channel is not known yet: another time
    }
    m_busy[static_cast<size_t>(f.server)] = true;
    m_inFlight.push_back(f);
    return true;
}

bool SoakRun::Recovered(Fault& f) {
    const double now = NowMs();
    if (f.kind == FaultKind::Journal) {
        const std::wstring log = m_o.workDir + L"\\Brivan.log";
        if (!f.fixed && now >= f.fixAt) {
            for (int g = 0; g <= 4; ++g) {
                SetReadOnly(m_o.workDir +
                                (g == 0 ? L"\\Brivan.log" : L"\\Brivan." + std::to_wstring(g) + L".log"),
                            false);
            }
            f.fixed = true;
            f.clock = now;
            f.logSize = FileSize(log);
        }
        return f.fixed && FileSize(log) != f.logSize;
    }
    if (f.kind == FaultKind::Loop && !f.fixed && now >= f.fixAt) {
        DeleteFileW(DieFile(f.server).c_str());
        f.fixed = true;
        f.clock = now;
    }
    const DWORD p = m_fleet.Owner(static_cast<size_t>(f.server));
    return (f.kind != FaultKind::Loop || f.fixed) && p != 0 && p != f.victim;
}

void SoakRun::Take(Fault& f) {
    ++m_done;
    ++m_count[static_cast<int>(f.kind)];
    m_recover[static_cast<int>(f.kind)].push_back((NowMs() - f.clock) / 1000.0);
    if (f.kind == FaultKind::Journal) {
        m_journalBusy = false;
    } else {
        m_busy[static_cast<size_t>(f.server)] = false;
    }
}

// Takes the faults that recovered and gives up on those past the bound.
void SoakRun::Sweep() {
    const double now = NowMs();
    for (size_t i = 0; i < m_inFlight.size();) {
        Fault& f = m_inFlight[i];
        if (Recovered(f)) {
            Take(f);
        } else if (now - f.clock > kBoundMs) {
            GiveUp(f);
        } else {
            ++i;
            continue;
        }
        m_inFlight.erase(m_inFlight.begin() + static_cast<long>(i));
    }
}

void SoakRun::GiveUp(Fault& f) {
    ++m_done;
    if (f.kind == FaultKind::Journal) {
        m_journalBusy = false;
    } else if (KeptByWine(static_cast<size_t>(f.server))) {
        return;
    }
    Say("FAIL: %s on %s: not back after %.0f s\n", KindName(f.kind),
        f.server < 0 ? "the journal" : Utf8(m_fleet.Servers()[static_cast<size_t>(f.server)].Title()).c_str(),
        kBoundMs / 1000);
    if (f.server >= 0) {
        m_lost[static_cast<size_t>(f.server)] = true;
    }
    Describe();
    ++m_failures;
}

// Waits until nothing is in flight, the servers settled and no box is open.
bool SoakRun::Quiet(unsigned ms) {
    const double end = NowMs() + ms;
    while (!m_inFlight.empty() && NowMs() < end) {
        m_fleet.Observe();
        Sweep();
        AnswerBoxes();
        Sleep(50);
    }
    return m_inFlight.empty() && Settle(120000);
}

bool SoakRun::Faults() {
    const int brivanEnds = m_o.faults >= 100 ? std::max(2, m_o.faults / 500) : 0;
    int brivanDone = 0;
    bool stopDone = m_fleet.Servers().size() < 2;
    m_t0 = NowMs();
    double lastReport = m_t0;
    while (m_done < m_o.faults || !m_inFlight.empty()) {
        m_fleet.Observe();
        m_fleet.ReadLog();
        const double now = NowMs();
        for (size_t i = 0; i < m_fleet.Servers().size(); ++i) {
            const DWORD p = m_fleet.Owner(i);
            if (p != m_lastOwner[i]) {
                m_lastOwner[i] = p;
                m_upSince[i] = now;
            }
        }
        Sweep();
        AnswerBoxes();
        const int started = m_done + static_cast<int>(m_inFlight.size());
        // The planned points: Brivan ended from outside, one server stopped on purpose halfway.
        const bool brivanDue =
            brivanDone < brivanEnds && started >= (brivanDone + 1) * m_o.faults / (brivanEnds + 1);
        const bool stopDue = !stopDone && started >= m_o.faults / 2;
        // Every other end of Brivan comes at a random moment, faults in flight (servers dying, starting,
        // looping or hung); the others and the last come at a quiet point, where handles and memory
        // are measured.
        const bool quietEnd = brivanDone % 2 == 1 || brivanDone == brivanEnds - 1;
        if (brivanDue && !stopDue && !quietEnd) {
            ++brivanDone;
            if (!RestartBrivan(false)) {
                return false;
            }
            continue;
        }
        if (brivanDue || stopDue) {
            if (!Quiet(180000)) {
                Say("FAIL: the servers did not settle before a planned point\n");
                Describe();
                return false;
            }
            if (stopDue) {
                stopDone = true;
                if (!StopOnPurpose()) {
                    return false;
                }
            } else {
                ++brivanDone;
                if (!RestartBrivan(true)) {
                    return false;
                }
            }
            continue;
        }
        while (started < m_o.faults && static_cast<int>(m_inFlight.size()) < m_concurrency) {
            if (!Inject(Pick())) {
                break;
            }
            if (m_done + static_cast<int>(m_inFlight.size()) >= m_o.faults) {
                break;
            }
        }
        if (NowMs() - lastReport > 15000) {
            lastReport = NowMs();
            if (!App().Responsive(10000)) {
                Say("FAIL: Brivan's window thread did not answer within 10 s\n");
                return false;
            }
            Say("soak: %d faults recovered, %zu in flight, %.0f s\n", m_done, m_inFlight.size(),
                (lastReport - m_t0) / 1000);
        }
        Sleep(100);
    }
    return true;
}

void SoakRun::Describe() {
    m_fleet.Observe();
    for (size_t i = 0; i < m_fleet.Servers().size(); ++i) {
        if (m_fleet.WindowCount(i) != 1 || !m_fleet.Owner(i)) {
            Say("  %s: %zu window(s), running process %lu%s\n", Utf8(m_fleet.Servers()[i].Title()).c_str(),
                m_fleet.WindowCount(i), m_fleet.Owner(i), m_fleet.Servers()[i].stopped ? " (stopped)" : "");
        }
    }
    // Processes that carry no server's title: what they were started as, from the stand-in's log.
    m_fleet.ReadLog();
    std::set<DWORD> owners;
    for (size_t i = 0; i < m_fleet.Servers().size(); ++i) {
        owners.insert(m_fleet.Owner(i));
    }
    const auto all = AllServerProcesses();
    for (DWORD p : all) {
        if (!owners.count(p)) {
            const StartLine* s = m_fleet.StartOf(p);
            Say("  hlds.exe process %lu carries no server's title; started with port %d, map %s\n", p,
                s ? s->port : 0, s ? s->map.c_str() : "?");
        }
    }
    Say("  hlds.exe processes: %zu; Brivan answers: %s\n", all.size(), App().Responsive(5000) ? "yes" : "NO");
}

} // namespace probe
