#include "servers/Launch.h"

#include "framework/Messages.h"
#include "servers/ServerMessages.h"

#include <winsock2.h>
#include <windows.h>

#include <cstring>

namespace brv {

namespace {

std::string Narrow(const std::wstring& w) {
    // At most 1023 bytes, as the address buffer allows.
    char buf[1024] = {};
    WideCharToMultiByte(CP_ACP, 0, w.c_str(), -1, buf, sizeof buf - 1, nullptr, nullptr);
    return buf;
}

// The check's socket is never inheritable, not even for a moment: a server started meanwhile on the
// other thread would hold its port for as long as it runs.
SOCKET CheckSocket() {
    SOCKET s = WSASocketW(AF_INET, SOCK_DGRAM, IPPROTO_UDP, nullptr, 0, WSA_FLAG_NO_HANDLE_INHERIT);
    if (s == INVALID_SOCKET && WSAGetLastError() == WSAEINVAL) {
        // Systems without the flag: every start lists what it inherits, so the moment does not matter.
        s = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
        if (s != INVALID_SOCKET) {
            SetHandleInformation(reinterpret_cast<HANDLE>(s), HANDLE_FLAG_INHERIT, 0);
        }
    }
    return s;
}

} // namespace

PortProbe ProbePort(const std::wstring& ip, const std::wstring& port) {
    WSADATA wsa;
    const int started = WSAStartup(0x0202, &wsa);
    if (started != 0) {
        return {PortState::kNoWinsock, started};
    }
    SOCKET s = CheckSocket();
    if (s == INVALID_SOCKET) {
        const int error = WSAGetLastError();
        WSACleanup();
        return {PortState::kNoSocket, error};
    }
    sockaddr_in addr;
    std::memset(&addr, 0, sizeof addr);
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = inet_addr(Narrow(ip).c_str());
    addr.sin_port = htons(static_cast<u_short>(_wtoi(port.c_str())));
    PortProbe probe;
    if (bind(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
        probe = {PortState::kBusy, WSAGetLastError()};
    }
    closesocket(s);
    WSACleanup();
    return probe;
}

bool CheckPortFree(void* owner, const std::wstring& ip, const std::wstring& port, const Notifier& notify) {
    switch (ProbePort(ip, port).state) {
    case PortState::kFree:
        return true;
    case PortState::kNoWinsock:
        notify({owner, kMsgNoWinsock, kCaptionError, kMbOk | kMbIconError});
        return false;
    case PortState::kNoSocket:
        notify({owner, kMsgNoSocket, kCaptionError, kMbOk | kMbIconError});
        return false;
    case PortState::kBusy:
        break;
    }
    notify({owner, FormatPortMessage(port, ip), kCaptionLaunchRefused, kMbOk | kMbIconError});
    return false;
}

std::wstring GetLocalAddress() {
    std::wstring result = L"127.0.0.1";
    WSADATA wsa;
    WSAStartup(0x0202, &wsa);
    char name[1024] = {};
    if (gethostname(name, sizeof name) == 0) {
        hostent* host = gethostbyname(name);
        if (host != nullptr && host->h_addr_list != nullptr && host->h_addr_list[0] != nullptr) {
            in_addr a;
            std::memcpy(&a, host->h_addr_list[0], sizeof a);
            char text[256] = {};
            const char* dotted = inet_ntoa(a);
            if (dotted != nullptr) {
                std::strncpy(text, dotted, sizeof text - 1);
                result.assign(text, text + std::strlen(text));
            }
        }
    }
    WSACleanup();
    return result;
}

} // namespace brv
