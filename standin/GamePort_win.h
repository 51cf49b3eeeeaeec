#pragma once
// The server's UDP address and port: held for the whole life of the process, as a real server holds
// it, and served from the main loop, so a frozen main loop answers no query.
#include "standin/InfoAnswer.h"

#include <cstdint>
#include <string>

namespace standin {

class GamePort {
public:
    // Binds the address (all of them when empty) and port; false when it cannot.
    bool Bind(const std::wstring& ip, const std::wstring& port);
    // Signalled while datagrams wait; null until bound.
    void* ReadyEvent() const { return m_event; }
    // Answers every datagram that waits, and logs each.
    void Serve(const QueryPolicy& policy, const InfoFields& fields);

private:
    uintptr_t m_socket = ~uintptr_t(0);
    void* m_event = nullptr;
};

} // namespace standin
