#pragma once
// The HTTP listener: one accept thread and a few workers. A connection from an address outside the
// list is closed before a byte is read; each address has a few connections at most; a request must
// arrive whole within a few seconds; headers and bodies are bounded. Stop ends it at once.
#include "remote/AddressList.h"
#include "remote/Router.h"

#include <memory>
#include <string>

namespace brv::remote {

struct ListenerConfig {
    GuardConfig guard;
    AddressList allowFrom;
};

// The limits, fixed: what a status page, a browser and a scraper need, with room to spare.
inline constexpr int kWorkers = 8;
inline constexpr int kConnectionsPerAddress = 6;
inline constexpr int kPendingConnections = 64;
inline constexpr int kRequestMs = 4000; // to send a whole request, from the connection or the last answer
inline constexpr size_t kConnectionBytes = 64 * 1024; // all a connection may send
inline constexpr size_t kBodyBytes = 16 * 1024;
inline constexpr double kRequestsPerSecond = 20;
inline constexpr double kRequestBurst = 40;

class Listener {
public:
    Listener(ListenerConfig config, SnapshotSource snapshot, Actions* actions);
    ~Listener();
    Listener(const Listener&) = delete;
    Listener& operator=(const Listener&) = delete;

    // Binds and starts serving; false when the address and port could not be bound (`error`: the
    // platform's code).
    bool Start(long* error = nullptr);
    // Closes the listener and every connection; returns within about a second whatever clients do.
    void Stop();

private:
    struct Impl;
    std::unique_ptr<Impl> m;
};

} // namespace brv::remote
