#include "standin/GamePort_win.h"

#include "framework/Text.h"
#include "standin/Log_win.h"

#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>

#ifndef SIO_UDP_CONNRESET
#define SIO_UDP_CONNRESET _WSAIOW(IOC_VENDOR, 12)
#endif

namespace standin {

namespace {

// Enough for one round of waiting datagrams; the event stays set for the rest.
constexpr int kDatagramsPerRound = 64;

std::string Peer(const sockaddr_in& from) {
    char text[INET_ADDRSTRLEN] = {};
    inet_ntop(AF_INET, &from.sin_addr, text, sizeof text);
    return std::string(text) + ":" + std::to_string(ntohs(from.sin_port));
}

} // namespace

bool GamePort::Bind(const std::wstring& ip, const std::wstring& port) {
    WSADATA wsa;
    if (WSAStartup(MAKEWORD(2, 2), &wsa) != 0) {
        return false;
    }
    SOCKET s = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    if (s == INVALID_SOCKET) {
        return false;
    }
    // Only this process holds the port: a console host it starts must not keep it after the server ends.
    SetHandleInformation(reinterpret_cast<HANDLE>(s), HANDLE_FLAG_INHERIT, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<u_short>(_wtoi(port.c_str())));
    addr.sin_addr.s_addr = inet_addr(brv::ToUtf8(ip.empty() ? L"0.0.0.0" : ip).c_str());
    if (bind(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
        closesocket(s);
        return false;
    }
    // A reply to a querier that has gone must not end the reading with a reset.
    BOOL reportReset = FALSE;
    DWORD returned = 0;
    WSAIoctl(s, SIO_UDP_CONNRESET, &reportReset, sizeof reportReset, nullptr, 0, &returned, nullptr, nullptr);
    WSAEVENT event = WSACreateEvent();
    if (event == WSA_INVALID_EVENT || WSAEventSelect(s, event, FD_READ) != 0) {
        Log("query", "no event: queries are not answered");
        return true; // the port is held all the same
    }
    m_socket = s;
    m_event = event;
    return true;
}

void GamePort::Serve(const QueryPolicy& policy, const InfoFields& fields) {
    SOCKET s = static_cast<SOCKET>(m_socket);
    WSANETWORKEVENTS happened;
    WSAEnumNetworkEvents(s, static_cast<WSAEVENT>(m_event), &happened); // resets the event
    for (int i = 0; i < kDatagramsPerRound; ++i) {
        char buf[2048];
        sockaddr_in from{};
        int fromLen = sizeof from;
        int n = recvfrom(s, buf, sizeof buf, 0, reinterpret_cast<sockaddr*>(&from), &fromLen);
        if (n == SOCKET_ERROR) {
            int e = WSAGetLastError();
            if (e == WSAECONNRESET || e == WSAEMSGSIZE) {
                continue; // a querier that went away, or a datagram too long for any query
            }
            return; // WSAEWOULDBLOCK: all taken
        }
        Answer a = AnswerDatagram(std::string_view(buf, static_cast<size_t>(n)), policy, fields,
                                  static_cast<uint64_t>(MillisSinceStart()));
        if (!a.bytes.empty()) {
            sendto(s, a.bytes.data(), static_cast<int>(a.bytes.size()), 0, reinterpret_cast<sockaddr*>(&from),
                   fromLen);
        }
        Log("query", "from=" + Peer(from) + " bytes=" + std::to_string(n) + " answer=" + AnswerName(a.kind));
    }
    // More may wait: look again on the next round without waiting.
    WSASetEvent(static_cast<WSAEVENT>(m_event));
}

} // namespace standin
