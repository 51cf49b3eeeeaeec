#pragma once
// The supervision thread: closes the servers' fatal-error windows and restarts every server whose
// process has ended. It sleeps on the server processes and its stop event, so a crash is answered at
// once; the 500 ms pass is only the upper bound. The main window owns it: Start after initialisation,
// Stop (or destruction) before the table and the window go away.
#include "servers/Launch.h"
#include "servers/ServerHost.h"
#include "servers/ServerTable.h"

#include <atomic>
#include <cstdint>
#include <thread>
#include <vector>

namespace brv {

// The three titles whose windows are closed on sight.
inline constexpr const wchar_t* kErrorWindowTitles[] = {L"Fatal Error - Dedicated server", L"Fatal Error",
                                                        L"hlds.exe"};

class Supervisor {
public:
    Supervisor(ServerHost& host, ServerTable& table, LaunchOptions launch = {}, unsigned passMs = 500);
    ~Supervisor();
    Supervisor(const Supervisor&) = delete;
    Supervisor& operator=(const Supervisor&) = delete;

    void Start();
    // Sets the stop event and joins the thread; a restart under way ends its console wait at once.
    // Idempotent; must not be called from the supervision thread.
    void Stop();
    // Ends the current wait early, e.g. after a launch appended a server it should watch at once.
    void Wake();

    uint64_t Restarts() const { return restarts_.load(); }
    // Passes whose table walk is done (the wait that ends a pass follows).
    uint64_t Passes() const { return passes_.load(); }
    // The thread's handle (HANDLE), for measuring its CPU time; null when not running.
    void* ThreadHandle();

private:
    void Run();
    // One restart; true when the server should be tried again on a later pass.
    bool Restart(const brvRunSL& record);

    ServerHost& host_;
    ServerTable& table_;
    LaunchOptions launch_;
    unsigned passMs_;
    void* stopEvent_;
    void* wakeEvent_;
    std::thread thread_;
    // Servers whose process could not be created at their restart, tried again every pass: a
    // server is never dropped from the watch because one creation failed.
    std::vector<brvRunSL> retry_;
    std::atomic<uint64_t> restarts_{0};
    std::atomic<uint64_t> passes_{0};
};

} // namespace brv
