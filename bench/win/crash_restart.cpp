// Crash-to-restart: from ending a server's process from outside until its replacement's console
// carries the server title, beside the stand-in's own start-to-console time in the same run.
#include "BenchSupport.h"

#include "servers/Launch.h"
#include "standin/StandinProtocol.h"
#include "servers/Supervisor.h"

#include <cstdio>
#include <fstream>
#include <sstream>

namespace {

double StandinStartMs(const std::wstring& dir, uint32_t pid) {
    for (const auto& e :
         standin::ParseLog(brv::ReadFileBytes(dir + L"\\standin.log").value_or(std::string()))) {
        if (e.pid == pid && e.event == "window") {
            return std::atof(e.detail.c_str() + 3); // "ms=<n>"
        }
    }
    return -1;
}

} // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::atoi(argv[1]) : 60;
    std::wstring dir = bench::MakeWorkDir();
    bench::Rig rig(dir);
    if (!rig.Launch(L"Bench", L"27190")) {
        std::printf("launch failed\n");
        return 1;
    }
    ServerTable& table = rig.table;
    brv::Supervisor supervisor(rig.host, table, rig.consoles, rig.priorities);
    supervisor.Lives().SetSettings(brv::RestartPolicy::GapOnly());
    supervisor.Start();
    const std::wstring title = L"Bench - 27190";
    std::vector<double> total, standinOwn, added;
    for (int i = 0; i < rounds; ++i) {
        Sleep(600); // past the once-per-pass restart limit, which is not what is measured here
        brvRunSL old = *table.FindByTitle(title);
        HANDLE p = OpenProcess(PROCESS_TERMINATE, FALSE, old.processId);
        const double t0 = bench::NowMs();
        TerminateProcess(p, 1);
        CloseHandle(p);
        brvRunSL now;
        for (;;) {
            auto rec = table.FindByTitle(title);
            if (rec && rec->processId != old.processId && rec->consoleWindow != nullptr) {
                wchar_t text[128] = {};
                GetWindowTextW(static_cast<HWND>(rec->consoleWindow), text, 128);
                if (title == text) {
                    now = *rec;
                    break;
                }
            }
            if (bench::NowMs() - t0 > 30000) {
                std::printf("round %d: no restart within 30 s\n", i);
                return 1;
            }
            Sleep(1);
        }
        const double t = bench::NowMs() - t0;
        const double own = StandinStartMs(dir, now.processId);
        total.push_back(t);
        standinOwn.push_back(own);
        added.push_back(t - own);
    }
    supervisor.Stop();
    rig.EndAll();
    std::printf("crash-to-restart over %d restarts (ms)\n", rounds);
    std::printf("  total            p50 %7.1f  p95 %7.1f\n", bench::Percentile(total, 0.5),
                bench::Percentile(total, 0.95));
    std::printf("  stand-in's own   p50 %7.1f  p95 %7.1f   (its process creation to its console window)\n",
                bench::Percentile(standinOwn, 0.5), bench::Percentile(standinOwn, 0.95));
    std::printf("  launcher adds    p50 %7.1f  p95 %7.1f\n", bench::Percentile(added, 0.5),
                bench::Percentile(added, 0.95));
    return 0;
}
