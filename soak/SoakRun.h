#pragma once
// One soak run: the Brivan instances it started (a new one after each end from outside), the faults in
// flight and what they took to recover, the quiet points where handles and memory are measured.
#include "soak/Fleet.h"
#include "soak/Modes.h"

#include <map>
#include <memory>
#include <set>
#include <random>
#include <string>
#include <vector>

namespace probe {

enum class FaultKind { Kill, Fatal, Hang, Loop, AccessViolation, Journal, Brivan, Count };
const char* KindName(FaultKind kind);

class SoakRun {
public:
    SoakRun(const Options& o, Fleet& fleet);

    // Starts the first Brivan.
    bool Open();
    e2e::Brivan& App() { return *m_instances.back(); }
    int Concurrency() const { return m_concurrency; }
    // Every server not stopped runs exactly once, and nothing else runs, twice a second apart.
    bool Settle(unsigned ms);
    // Each server restarted once (what a first restart sets up once is not a leak), then the handle
    // count and memory this instance starts from.
    bool WarmUpAndMeasure();
    // The faults; false when the run had to stop.
    bool Faults();
    // The end checks and the report; the exit code.
    int Finish(bool finished);

private:
    struct Fault {
        FaultKind kind = FaultKind::Kill;
        int server = -1;
        DWORD victim = 0;
        double injected = 0;
        double fixAt = 0; // crash loop and journal: when the fault is taken away
        double clock = 0; // recovery is timed from here
        bool fixed = false;
        uint64_t logSize = 0;
    };
    struct Instance {
        long handles0 = -1, handles1 = -1;
        uint64_t memory0 = 0, memory1 = 0;
    };

    FaultKind Pick();
    bool Inject(FaultKind kind);
    bool Recovered(Fault& f);
    void Take(Fault& f);
    void Sweep();
    void GiveUp(Fault& f);
    // A server that cannot come back because Wine kept the port of its terminated process: told, then
    // stopped through Brivan as an operator would, and counted apart from the lost.
    bool KeptByWine(size_t server);
    bool Quiet(unsigned ms);
    // Ends Brivan from outside and starts it again; `quiet`: nothing in flight, measured before and after.
    bool RestartBrivan(bool quiet);
    bool StopOnPurpose();
    bool StopServer(size_t server);
    void Measure(bool start);
    void AnswerBoxes();
    void Describe();
    std::wstring DieFile(int server) const;

    const Options& m_o;
    Fleet& m_fleet;
    std::mt19937 m_rng;
    int m_concurrency = 1;
    std::vector<std::unique_ptr<e2e::Brivan>> m_instances;
    std::vector<Instance> m_measures;
    std::vector<Fault> m_inFlight;
    std::vector<bool> m_busy, m_lost;
    std::vector<double> m_upSince;
    std::vector<DWORD> m_lastOwner;
    std::map<DWORD, double> m_untitledSince;
    std::set<DWORD> m_orphans;
    std::vector<std::wstring> m_keptByWine;
    int m_done = 0, m_boxes = 0, m_failures = 0;
    bool m_journalBusy = false;
    std::vector<int> m_count;
    std::vector<std::vector<double>> m_recover;
    double m_t0 = 0;
};

} // namespace probe
