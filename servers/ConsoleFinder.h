#pragma once
// Finds the console window of every server that has just started, titles it and tells the window
// thread, without holding up anyone: a start hands its server over and returns. Its own thread takes
// the window the watch saw titled "Console" and asks only whose it is: under Wine every walk of the
// windows or the processes is a round trip per item to the wineserver, and the server starting beside
// it waits behind them. Only now and then, while some console is still awaited, does it walk every
// window, in case a sighting was missed; it sleeps when none is awaited.
#include "servers/ServerTable.h"
#include "servers/WindowWatch.h"

#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace brv {

struct ConsoleSearch {
    // How long a server's "Console" window is awaited, and the pause before each walk of every window
    // when no sighting came. A server whose window does not come in time stays in the table, watched
    // and stoppable; its console cannot be shown.
    unsigned waitMs = 10000;
    unsigned pauseMs = 1000;
    // Without a watch of its own the finder is told of sightings by Sighted (the supervision's one
    // window watch does that), else it runs its own.
    bool ownWatch = true;
};

class ConsoleFinder {
public:
    // Called on the finder's thread for a server whose console has been found and titled; it must
    // only post to the window thread.
    using Found = std::function<void(const std::wstring& title)>;

    ConsoleFinder(ServerTable& table, Found found, ConsoleSearch search = {});
    ~ConsoleFinder();
    ConsoleFinder(const ConsoleFinder&) = delete;
    ConsoleFinder& operator=(const ConsoleFinder&) = delete;

    // Awaits the console of a record just appended (process, process id and title set), if it is
    // still in the table. Any thread.
    void Watch(const brvRunSL& record);
    // A window titled "Console" has just appeared, of process `owner`: look at it at once. Any thread.
    void Sighted(brvWindow window, uint32_t owner);
    // Ends the thread; idempotent. Servers still awaited are left as they are.
    void Stop();
    // Servers whose console is still awaited.
    size_t Pending() const;

private:
    struct Sighting {
        brvWindow window;
        uint32_t owner;
        uint64_t at;
    };
    struct Awaited {
        void* ended;       // a handle of our own to the process, signalled when it ends
        brvHandle process; // the record's identity in the table
        uint32_t processId;
        std::wstring title;
        uint64_t deadline;
    };

    void Run();
    // One look for every awaited console, at the sighted windows alone (those taken are removed) or
    // at every window; true for each entry that is settled (found, ended, expired).
    std::vector<bool> Look(const std::vector<Awaited>& awaited, std::vector<Sighting>* sighted);

    ServerTable& m_table;
    Found m_found;
    ConsoleSearch m_search;
    mutable std::mutex m_mutex;
    std::vector<Awaited> m_awaited;
    std::vector<Sighting> m_sighted; // not yet matched; kept a little while for a start told late
    void* m_stopEvent;
    void* m_wakeEvent;
    std::thread m_thread;
    WindowWatch m_watch; // wakes the thread when a "Console" window appears
};

} // namespace brv
