// The soak's planned points and its end: Brivan ended from outside and started again (it must adopt
// every server), one server stopped on purpose (it must stay stopped), and the final checks.
#include "soak/Probe.h"
#include "soak/SoakRun.h"
#include "soak/Stats.h"

#include "res/resource.h"

#include <algorithm>
#include <set>

namespace probe {
using namespace e2e;

namespace {

std::vector<std::wstring> Sorted(std::vector<std::wstring> v) {
    std::sort(v.begin(), v.end());
    return v;
}

} // namespace

bool SoakRun::RestartBrivan(bool quiet) {
    std::set<DWORD> running;
    if (quiet) {
        Measure(false);
        for (size_t i = 0; i < m_fleet.Servers().size(); ++i) {
            if (const DWORD p = m_fleet.Owner(i)) {
                running.insert(p);
            }
        }
    }
    TerminateProcess(App().Process(), 1);
    App().WaitExit(10000);
    // What the next Brivan reads must be whole and, at a quiet point, name exactly the servers that run.
    for (const std::string& bad :
         {CheckProfile(m_o.workDir), CheckRemembered(m_o.workDir, quiet ? &running : nullptr),
          CheckJournal(m_o.workDir, nullptr)}) {
        if (!bad.empty()) {
            Say("FAIL: after Brivan's end: %s\n", bad.c_str());
            ++m_failures;
        }
    }
    // Kept for the post-mortem of a take-over that falls short: what the next Brivan read.
    CopyFileW((m_o.workDir + L"\\brvServers.txt").c_str(),
              (m_o.workDir + L"\\brvServers.at-end-" +
               std::to_wstring(m_count[static_cast<int>(FaultKind::Brivan)]) + L".txt")
                  .c_str(),
              FALSE);
    const double t0 = NowMs();
    if (!Open()) {
        Say("FAIL: Brivan did not start again\n");
        return false;
    }
    std::vector<std::wstring> want;
    for (const auto& s : m_fleet.Servers()) {
        if (!s.stopped) {
            want.push_back(s.Title());
        }
    }
    want = Sorted(want);
    const bool adopted = WaitFor(
        [&] {
            AnswerBoxes();
            return Sorted(App().ComboItems(IDC_ACTIVE_SERVER)) == want;
        },
        120000, 100);
    if (!adopted || (quiet && !Settle(120000))) {
        Say("FAIL: the new Brivan did not take over the %zu servers (%zu listed)\n", want.size(),
            App().ComboItems(IDC_ACTIVE_SERVER).size());
        Describe();
        return false;
    }
    ++m_done;
    ++m_count[static_cast<int>(FaultKind::Brivan)];
    m_recover[static_cast<int>(FaultKind::Brivan)].push_back((NowMs() - t0) / 1000.0);
    if (!quiet) {
        return true; // the faults in flight go on under the new Brivan
    }
    // The servers it took over kept their processes: none was started again.
    m_fleet.Observe();
    for (size_t i = 0; i < m_fleet.Servers().size(); ++i) {
        if (!m_fleet.Servers()[i].stopped && !running.count(m_fleet.Owner(i))) {
            Say("FAIL: %s runs as a new process after the takeover\n",
                Utf8(m_fleet.Servers()[i].Title()).c_str());
            ++m_failures;
        }
    }
    return WarmUpAndMeasure();
}

bool SoakRun::StopServer(size_t server) {
    ServerSpec& s = m_fleet.Servers()[server];
    const auto items = App().ComboItems(IDC_ACTIVE_SERVER);
    const auto it = std::find(items.begin(), items.end(), s.Title());
    if (it == items.end()) {
        Say("FAIL: %s is not in drop-down 1002\n", Utf8(s.Title()).c_str());
        return false;
    }
    App().Choose(IDC_ACTIVE_SERVER, static_cast<int>(it - items.begin()));
    App().Click(IDC_STOP_SERVER);
    const auto box = App().WaitMessageBox(20000);
    if (!box || box->caption != L"Запрос на остановку сервера") {
        Say("FAIL: no stop question\n");
        return false;
    }
    Brivan::Answer(*box, IDYES);
    s.stopped = true;
    return true;
}

bool SoakRun::StopOnPurpose() {
    size_t i = 0;
    while (i + 1 < m_fleet.Servers().size() && m_fleet.Servers()[i].stopped) {
        ++i;
    }
    const ServerSpec& s = m_fleet.Servers()[i];
    if (!StopServer(i)) {
        return false;
    }
    if (!Settle(60000)) {
        Say("FAIL: %s did not stop\n", Utf8(s.Title()).c_str());
        Describe();
        return false;
    }
    Say("soak: %s stopped on purpose; it must not come back\n", Utf8(s.Title()).c_str());
    return true;
}

int SoakRun::Finish(bool finished) {
    const double secs = (NowMs() - m_t0) / 1000.0;
    Say("soak: %d faults in %.1f s\n", m_done, secs);
    int failures = m_failures + (finished ? 0 : 1);
    auto check = [&](bool ok, const std::string& text) {
        Say("%s%s\n", ok ? "check: " : "FAIL: ", text.c_str());
        failures += ok ? 0 : 1;
    };
    check(Settle(180000),
          "every server not stopped on purpose runs exactly once, and no other hlds.exe runs");
    m_fleet.ReadLog();
    m_fleet.Observe();
    int wrong = 0, hostnames = 0;
    std::set<DWORD> running;
    for (size_t i = 0; i < m_fleet.Servers().size(); ++i) {
        const ServerSpec& s = m_fleet.Servers()[i];
        const DWORD p = m_fleet.Owner(i);
        if (s.stopped) {
            if (m_fleet.WindowCount(i) != 0) {
                Say("FAIL: %s was stopped on purpose and runs again\n", Utf8(s.Title()).c_str());
                ++wrong;
            }
            continue;
        }
        if (!p || m_fleet.WindowCount(i) != 1) {
            m_lost[i] = true;
            continue;
        }
        running.insert(p);
        const StartLine* start = m_fleet.StartOf(p);
        if (!start || start->port != s.port || start->map != s.map || start->gameDir != s.gameDir) {
            Say("FAIL: %s runs as process %lu started with port %d, map %s, game %s\n",
                Utf8(s.Title()).c_str(), p, start ? start->port : 0, start ? start->map.c_str() : "?",
                start ? start->gameDir.c_str() : "?");
            ++wrong;
        } else if (start->hostname != Utf8(s.name)) {
            ++hostnames;
        }
    }
    check(wrong == 0, "each server runs with its own name (console title), port, map and game (start lines)");
    if (hostnames) {
        Say("note: %d servers read another server's hostname from their game's shared Brivan.cfg\n",
            hostnames);
    }
    int lost = 0;
    std::vector<std::wstring> want;
    for (size_t i = 0; i < m_fleet.Servers().size(); ++i) {
        lost += m_lost[i] ? 1 : 0;
        if (!m_fleet.Servers()[i].stopped) {
            want.push_back(m_fleet.Servers()[i].Title());
        }
    }
    const auto items = Sorted(App().ComboItems(IDC_ACTIVE_SERVER));
    check(items == Sorted(want), "drop-down 1002 names exactly the " + std::to_string(want.size()) +
                                     " servers not stopped (it names " + std::to_string(items.size()) + ")");
    size_t journalLines = 0;
    const std::string profile = CheckProfile(m_o.workDir),
                      remembered = CheckRemembered(m_o.workDir, &running),
                      journal = CheckJournal(m_o.workDir, &journalLines);
    check(profile.empty(), profile.empty() ? "brvBrivan3.txt whole and valid" : profile);
    check(remembered.empty(),
          remembered.empty() ? "brvServers.txt valid, naming exactly the running servers" : remembered);
    check(journal.empty(), journal.empty()
                               ? "Brivan.log: " + std::to_string(journalLines) + " lines, every one whole"
                               : journal);
    const int loops = m_count[static_cast<int>(FaultKind::Loop)];
    const std::string journalText = RecentJournal(m_o.workDir);
    int delays = 0;
    for (size_t at = journalText.find(" DELAY "); at != std::string::npos;
         at = journalText.find(" DELAY ", at + 1)) {
        ++delays;
    }
    check(loops == 0 || delays > 0, std::to_string(delays) +
                                        " DELAY lines in the journal's last two files for " +
                                        std::to_string(loops) + " crash loops: paced and journaled");
    check(m_orphans.empty(), std::to_string(m_orphans.size()) + " hlds.exe processes left without a title");
    check(m_boxes == 0, std::to_string(m_boxes) + " message boxes during the run");

    // Flat: at every quiet point, against the same instance after its warm-up.
    Measure(false);
    long worstHandles = 0;
    double worstMb = 0;
    for (const auto& m : m_measures) {
        if (m.handles0 >= 0 && m.handles1 >= 0) {
            worstHandles = std::max(worstHandles, m.handles1 - m.handles0);
        }
        if (m.memory0 && m.memory1) {
            worstMb = std::max(worstMb,
                               (static_cast<double>(m.memory1) - static_cast<double>(m.memory0)) / 1048576.0);
        }
    }
    const auto& last = m_measures.back();
    char text[300];
    snprintf(text, sizeof text,
             "handles %ld -> %ld, private memory %.1f -> %.1f MB (last Brivan); worst growth of %zu Brivan "
             "instances: %+ld handles, %+.1f MB",
             last.handles0, last.handles1, last.memory0 / 1048576.0, last.memory1 / 1048576.0,
             m_measures.size(), worstHandles, worstMb);
    check(worstHandles <= 2 && worstMb <= 4, text);

    Say("faults by kind:");
    for (int k = 0; k < static_cast<int>(FaultKind::Count); ++k) {
        Say(" %s %d", KindName(static_cast<FaultKind>(k)), m_count[static_cast<size_t>(k)]);
    }
    Say("\n");
    for (int k = 0; k < static_cast<int>(FaultKind::Count); ++k) {
        const auto& r = m_recover[static_cast<size_t>(k)];
        if (!r.empty()) {
            Say("recover %-16s p50 %6.2f s  p95 %6.2f s  max %6.2f s  (%zu)\n",
                KindName(static_cast<FaultKind>(k)), Percentile(r, 50), Percentile(r, 95),
                *std::max_element(r.begin(), r.end()), r.size());
        }
    }
    Say("lost %d\n", lost);
    if (!m_keptByWine.empty()) {
        Say("kept by Wine %zu:", m_keptByWine.size());
        for (const auto& title : m_keptByWine) {
            Say(" %s;", Utf8(title).c_str());
        }
        Say(" their port stayed bound after their process was terminated; Brivan retried, journaled\n");
    }
    failures += lost;

    const bool exited = App().Exit(60000);
    const bool gone = WaitFor(
        [&] {
            for (DWORD p : AllServerProcesses()) {
                if (!m_orphans.count(p)) {
                    return false;
                }
            }
            return true;
        },
        20000, 100);
    check(exited && gone, "Exit ended Brivan and every server");
    const std::string afterExit = CheckRemembered(m_o.workDir, nullptr);
    check(afterExit.empty(), afterExit.empty() ? "brvServers.txt valid after Exit" : afterExit);
    Say("SOAK|faults|%d|seconds|%.1f|servers|%zu|lost|%d|kept-by-wine|%zu|boxes|%d|result|%s\n", m_done, secs,
        m_fleet.Servers().size(), lost, m_keptByWine.size(), m_boxes, failures ? "FAIL" : "PASS");
    return failures ? 1 : 0;
}

} // namespace probe
