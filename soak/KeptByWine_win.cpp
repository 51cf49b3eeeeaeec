// Wine 8 can keep a terminated process's UDP socket alive: the wineserver's exit dump then lists a
// Socket held by an Async of a thread of the dead process. The port stays bound for good and no
// process of the prefix holds it, so the server it belongs to cannot come back whatever Brivan does.
// The soak tells such a server apart from a lost one only on evidence: no process that could hold the
// port runs, the port cannot be bound, and Brivan journaled each refused restart.
#include "soak/Probe.h"
#include "soak/SoakRun.h"

#include "res/resource.h"

#include <winsock2.h>

#include <algorithm>

namespace probe {
using namespace e2e;

namespace {

bool PortBound(int port) {
    WSADATA wsa;
    WSAStartup(0x0202, &wsa);
    SOCKET s = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<u_short>(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const bool taken =
        bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 && WSAGetLastError() == WSAEADDRINUSE;
    closesocket(s);
    WSACleanup();
    return taken;
}

} // namespace

bool SoakRun::KeptByWine(size_t server) {
    const ServerSpec& s = m_fleet.Servers()[server];
    m_fleet.Observe();
    m_fleet.ReadLog();
    if (m_fleet.Owner(server) || m_fleet.WindowCount(server)) {
        return false;
    }
    for (DWORD p : AllServerProcesses()) {
        const StartLine* start = m_fleet.StartOf(p);
        if (!start || start->port == s.port) {
            return false; // a process that may hold it
        }
    }
    const std::string refused = Utf8(s.Title() + L": перезапуск не удался (порт занят, ошибка 10048)");
    const std::string journal = RecentJournal(m_o.workDir);
    if (!PortBound(s.port) || journal.find(refused) == std::string::npos) {
        return false;
    }
    Say("kept by Wine: %s: port %d stays bound, no process of the prefix could hold it, and Brivan's\n"
        "  restarts are refused with error 10048; the soak stops this server through Brivan and goes on\n",
        Utf8(s.Title()).c_str(), s.port);
    if (!StopServer(server)) {
        return false;
    }
    const bool gone = WaitFor(
        [&] {
            AnswerBoxes();
            const auto items = App().ComboItems(IDC_ACTIVE_SERVER);
            return std::find(items.begin(), items.end(), s.Title()) == items.end();
        },
        20000, 100);
    if (!gone) {
        Say("FAIL: %s is still in drop-down 1002 after its stop\n", Utf8(s.Title()).c_str());
        return false;
    }
    m_busy[server] = false;
    m_keptByWine.push_back(s.Title());
    return true;
}

} // namespace probe
