// What the journal costs the watchdog: crash-to-restart with the watchdog's events (journal, governor,
// notices) and without, rounds alternating in one run, the time the supervision thread spends inside
// those events per restart, and the cost of 1,000 journal lines.
#include "BenchSupport.h"

#include "app/Watchdog_win.h"
#include "servers/Supervisor.h"

#include <atomic>
#include <cstdio>

namespace {

// Forwards to the watchdog while on and times what the supervision thread spends there.
class Timed : public brv::ServerEvents {
public:
    explicit Timed(brv::Watchdog& target) : m_target(target) {}

    std::atomic<bool> on{false};
    std::atomic<double> spentMs{0};     // every call
    std::atomic<double> journaledMs{0}; // the two calls that write a line: Ended (EXIT), Started (START)

    void Started(const brvRunSL& r) override {
        Time([&] { m_target.Started(r); }, true);
    }
    void Ended(const brvRunSL& r, std::optional<uint32_t> code, uint64_t uptimeMs,
               const brv::RestartPlan& plan) override {
        Time([&] { m_target.Ended(r, code, uptimeMs, plan); }, true);
    }
    void Tick() override {
        Time([&] { m_target.Tick(); }, false);
    }
    void Delayed(const brvRunSL& r, uint32_t quickDeaths, uint32_t waitSeconds) override {
        Time([&] { m_target.Delayed(r, quickDeaths, waitSeconds); }, false);
    }

private:
    template <class F> void Time(F&& f, bool writesLine) {
        if (!on) {
            return;
        }
        const double t0 = bench::NowMs();
        f();
        const double spent = bench::NowMs() - t0;
        spentMs = spentMs + spent;
        if (writesLine) {
            journaledMs = journaledMs + spent;
        }
    }
    brv::Watchdog& m_target;
};

struct Figures {
    std::vector<double> toProcess; // the replacement is in the table (its process created)
    std::vector<double> toConsole; // its console carries the title
    std::vector<double> inEvents;  // spent inside the events on the supervision thread
    std::vector<double> inLines;   // of which in the two calls that write a journal line
};

void Print(const char* name, const std::vector<double>& v) {
    std::printf("  %-40s p50 %8.3f  p95 %8.3f\n", name, bench::Percentile(v, 0.5),
                bench::Percentile(v, 0.95));
}

} // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::atoi(argv[1]) : 60;
    std::wstring dir = bench::MakeWorkDir();
    DeleteFileW((dir + L"\\Brivan.log").c_str()); // a folder of an earlier run with the same process id
    // Every restart here is a quick death: keep the governor from postponing any of them.
    brv::WriteFileBytes(dir + L"\\Brivan.ini", "[Restart]\r\nQuickDeathsBeforeDelay=100\r\n");
    bench::Rig rig(dir);
    if (!rig.Launch(L"Bench", L"27191")) {
        std::printf("launch failed\n");
        return 1;
    }
    const std::wstring title = L"Bench - 27191";
    Figures off, on;
    uint64_t journalBytes = 0;
    {
        brv::Watchdog watchdog(dir, nullptr);
        Timed events(watchdog);
        brv::Supervisor supervisor(rig.host, rig.table, rig.consoles, rig.priorities, 500, &events);
        supervisor.Lives().SetSettings(brv::RestartPolicy::GapOnly());
        supervisor.Start();
        for (int i = 0; i < rounds; ++i) {
            Sleep(600); // past the once-per-pass restart limit, which is not what is measured here
            // Alternate rounds, so a drift of the machine's load does not favour either side.
            Figures& f = i % 2 == 0 ? on : off;
            events.on = i % 2 == 0;
            events.spentMs = 0;
            events.journaledMs = 0;
            const brvRunSL old = *rig.table.FindByTitle(title);
            HANDLE p = OpenProcess(PROCESS_TERMINATE, FALSE, old.processId);
            const double t0 = bench::NowMs();
            TerminateProcess(p, 1);
            CloseHandle(p);
            double created = -1;
            for (;;) {
                auto rec = rig.table.FindByTitle(title);
                if (rec && rec->processId != old.processId) {
                    if (created < 0) {
                        created = bench::NowMs() - t0;
                    }
                    wchar_t text[128] = {};
                    if (rec->consoleWindow != nullptr) {
                        GetWindowTextW(static_cast<HWND>(rec->consoleWindow), text, 128);
                    }
                    if (title == text) {
                        break;
                    }
                }
                if (bench::NowMs() - t0 > 30000) {
                    std::printf("round %d: no restart within 30 s\n", i);
                    return 1;
                }
                Sleep(0);
            }
            f.toProcess.push_back(created);
            f.toConsole.push_back(bench::NowMs() - t0);
            f.inEvents.push_back(events.spentMs);
            f.inLines.push_back(events.journaledMs);
        }
        supervisor.Stop();
        watchdog.Log().Flush(5000);
        journalBytes = brv::ReadFileBytes(dir + L"\\Brivan.log").value_or(std::string()).size();
    }
    rig.EndAll();
    std::printf("crash-to-restart, %d restarts each, journal on (watchdog events) and off (none) (ms)\n",
                rounds / 2);
    Print("off: to the new process", off.toProcess);
    Print("on:  to the new process", on.toProcess);
    Print("off: to its titled console", off.toConsole);
    Print("on:  to its titled console", on.toConsole);
    Print("on:  inside the events, per restart", on.inEvents);
    Print("on:  of which EXIT and START calls", on.inLines);
    std::printf("  journal %llu bytes\n", static_cast<unsigned long long>(journalBytes));

    // 1,000 lines: what the callers pay, and until they are all in the file.
    {
        DeleteFileW((dir + L"\\Brivan.log").c_str());
        brv::Journal journal(brv::JournalOptions{dir});
        // One line at a time, the writer idle before each, as incidents come.
        std::vector<double> single;
        for (int i = 0; i < 200; ++i) {
            Sleep(5);
            const double t0 = bench::NowMs();
            journal.Write(brv::JournalTag::Exit, L"Bench - 27191: одна строка");
            single.push_back(bench::NowMs() - t0);
        }
        Print("one line, the writer idle before it", single);
        journal.Flush(10000);
        const std::wstring text = L"Bench - 27191: процесс сервера завершился, PID 4242, код 0x00000001, "
                                  L"проработал 00:00:01";
        const double t0 = bench::NowMs();
        for (int i = 0; i < 1000; ++i) {
            journal.Write(brv::JournalTag::Exit, text);
        }
        const double queued = bench::NowMs() - t0;
        const bool flushed = journal.Flush(30000);
        const double written = bench::NowMs() - t0;
        std::printf("1,000 journal lines: the writers' calls %.2f ms in all (%.2f us a line); in the file "
                    "after %.2f ms%s\n",
                    queued, queued, written, flushed ? "" : " (not all written)");
    }
    SetCurrentDirectoryW(L"C:\\");
    return 0;
}
