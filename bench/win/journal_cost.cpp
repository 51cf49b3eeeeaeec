// What the journal costs the watchdog: crash-to-restart with the watchdog's events (journal, governor,
// notices) and without any events, in one run, and the cost of 1,000 journal lines.
#include "BenchSupport.h"

#include "app/Watchdog_win.h"
#include "servers/Supervisor.h"

#include <cstdio>

namespace {

struct Figures {
    std::vector<double> toProcess; // the replacement is in the table (its process created)
    std::vector<double> toConsole; // its console carries the title
};

// Ends the server from outside `rounds` times and times each restart.
bool Measure(bench::Rig& rig, brv::ServerEvents* events, const std::wstring& title, int rounds,
             Figures& out) {
    brv::Supervisor supervisor(rig.host, rig.table, rig.consoles, rig.priorities, 500, events);
    supervisor.Start();
    for (int i = 0; i < rounds; ++i) {
        Sleep(600); // past the once-per-pass restart limit, which is not what is measured here
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
                return false;
            }
            Sleep(0);
        }
        out.toProcess.push_back(created);
        out.toConsole.push_back(bench::NowMs() - t0);
    }
    supervisor.Stop();
    return true;
}

void Print(const char* name, const std::vector<double>& v) {
    std::printf("  %-34s p50 %7.2f  p95 %7.2f\n", name, bench::Percentile(v, 0.5),
                bench::Percentile(v, 0.95));
}

} // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::atoi(argv[1]) : 40;
    std::wstring dir = bench::MakeWorkDir();
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
        brv::Watchdog watchdog(dir, nullptr, 0);
        // Alternate halves, so a drift of the machine does not favour either side.
        for (int half = 0; half < 2; ++half) {
            if (!Measure(rig, nullptr, title, rounds / 2, off) ||
                !Measure(rig, &watchdog, title, rounds / 2, on)) {
                return 1;
            }
        }
        watchdog.Log().Flush(5000);
        journalBytes = brv::ReadFileBytes(dir + L"\\Brivan.log").value_or(std::string()).size();
    }
    rig.EndAll();
    std::printf("crash-to-restart, %d restarts each, journal on (watchdog events) and off (no events) (ms)\n",
                rounds);
    Print("off: to the new process", off.toProcess);
    Print("on:  to the new process", on.toProcess);
    Print("off: to its titled console", off.toConsole);
    Print("on:  to its titled console", on.toConsole);
    std::printf("  journal adds at p95 (new process)   %7.2f ms  (journal %llu bytes)\n",
                bench::Percentile(on.toProcess, 0.95) - bench::Percentile(off.toProcess, 0.95),
                static_cast<unsigned long long>(journalBytes));

    // 1,000 lines: what the caller pays, and until they are all in the file.
    {
        DeleteFileW((dir + L"\\Brivan.log").c_str());
        brv::Journal journal(brv::JournalOptions{dir});
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
