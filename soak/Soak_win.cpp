// The long run an operator can trust: many servers on 127.0.0.1 and thousands of random faults of
// every kind Brivan meets (a server ended from outside, a fatal error window, a hang, a crash loop
// that later recovers, an access violation, Brivan itself ended and started again so that it adopts,
// a journal that cannot be written for a while), several at once on different servers. At the end
// every server not stopped on purpose runs exactly once with its own name, port and map, no file is
// lost or half-written, Brivan's handles and memory are flat, and each kind's time to recover is told.
#include "soak/Fleet.h"
#include "soak/Modes.h"
#include "soak/Probe.h"
#include "soak/SoakRun.h"
#include "soak/Stats.h"

#include <algorithm>

#include "res/resource.h"

namespace probe {
using namespace e2e;

namespace {

const int kFirstPort = 27201;

// Short pacing, a quick hang check, no balloons (they would only cost the machine's time).
const char kIni[] =
    "[Restart]\r\nQuickDeathSeconds=1\r\nQuickDeathsBeforeDelay=1\r\nFirstDelaySeconds=1\r\n"
    "MaxDelaySeconds=3\r\n[Notify]\r\nBalloons=0\r\nWebhookUrl=\r\n[Watchdog]\r\nHangCheck=1\r\n"
    "QueryInterval=1\r\nHangSeconds=3\r\nStartSeconds=15\r\n[Startup]\r\nRestoreServers=1\r\n";

std::vector<ServerSpec> Specs(int servers) {
    std::vector<ServerSpec> specs;
    for (int i = 0; i < servers; ++i) {
        ServerSpec s;
        wchar_t name[32];
        swprintf(name, 32, L"Soak %02d", i + 1);
        s.name = name;
        s.port = kFirstPort + i;
        s.game = i % 2;
        s.gameDir = s.game == 0 ? "stormline" : "sdelta";
        specs.push_back(s);
    }
    return specs;
}

// Starts every server from the form: its game, a start map of its own index, its name and port.
bool StartAll(const Brivan& b, Fleet& fleet) {
    for (size_t i = 0; i < fleet.Servers().size(); ++i) {
        ServerSpec& s = fleet.Servers()[i];
        b.Choose(IDC_GAME, s.game);
        Sleep(200);
        const auto maps = b.ComboItems(IDC_START_MAP);
        if (maps.empty()) {
            Say("FAIL: no start maps for game %d\n", s.game);
            return false;
        }
        const int m = static_cast<int>(i / 2 % maps.size());
        b.Choose(IDC_START_MAP, m);
        s.map = Utf8(maps[static_cast<size_t>(m)]);
        if (b.StartServer(s.name, s.port, 60000) < 0) {
            const auto box = b.WaitMessageBox(100);
            Say("FAIL: %s did not start (%s)\n", Utf8(s.Title()).c_str(),
                Utf8(box ? box->text : L"").c_str());
            return false;
        }
    }
    return true;
}

} // namespace

int RunSoak(const Options& o) {
    HANDLE ini = CreateFileW((o.workDir + L"\\Brivan.ini").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                             0, nullptr);
    DWORD put = 0;
    WriteFile(ini, kIni, sizeof kIni - 1, &put, nullptr);
    CloseHandle(ini);

    Fleet fleet(o.workDir, Specs(o.servers));
    SoakRun run(o, fleet);
    if (!run.Open() || !StartAll(run.App(), fleet) || !run.Settle(120000)) {
        Say("FAIL: the %d servers did not come up\n", o.servers);
        return 1;
    }
    Say("soak: %d servers on 127.0.0.1 running; %d faults, up to %d at once (seed %u)\n", o.servers, o.faults,
        run.Concurrency(), o.seed);
    if (!run.WarmUpAndMeasure()) {
        return 1;
    }
    const bool finished = run.Faults();
    return run.Finish(finished);
}

} // namespace probe
