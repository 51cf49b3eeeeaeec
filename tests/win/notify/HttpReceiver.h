#pragma once
// A small HTTP receiver on 127.0.0.1 for the webhook's tests: a thread that accepts connections, reads
// one request from each, and answers with the next status of its script (or never, when told so),
// with that answer's extra header lines.
#include <winsock2.h>
#include <windows.h>

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace brvtest {

struct Reply {
    int status = 200;
    std::string headers; // "Name: value\r\n" lines
};

class HttpReceiver {
public:
    // `statuses`: the answer to each request in turn, the last one repeating; 0 means never answer
    // (the connection is held open until the receiver goes).
    explicit HttpReceiver(const std::vector<int>& statuses) : HttpReceiver(Replies(statuses), true) {}
    explicit HttpReceiver(std::initializer_list<Reply> replies)
        : HttpReceiver(std::vector<Reply>(replies), true) {}

private:
    HttpReceiver(std::vector<Reply> replies, bool) : m_replies(std::move(replies)) {
        WSADATA data;
        WSAStartup(MAKEWORD(2, 2), &data);
        m_listener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = 0;
        bind(m_listener, reinterpret_cast<sockaddr*>(&address), sizeof address);
        listen(m_listener, 16);
        int length = sizeof address;
        getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &length);
        m_port = ntohs(address.sin_port);
        m_thread = std::thread([this] { Serve(); });
    }

public:
    ~HttpReceiver() {
        m_stop = true;
        closesocket(m_listener);
        m_thread.join();
        for (SOCKET s : m_held) {
            closesocket(s);
        }
        WSACleanup();
    }

    std::wstring Url(const std::wstring& path) const {
        return L"http://127.0.0.1:" + std::to_wstring(m_port) + path;
    }

    std::vector<std::string> Requests() const {
        std::lock_guard lock(m_mutex);
        return m_requests;
    }
    // When each request had arrived (GetTickCount64).
    std::vector<ULONGLONG> Times() const {
        std::lock_guard lock(m_mutex);
        return m_times;
    }
    int Accepted() const { return m_accepted.load(); }

private:
    static std::vector<Reply> Replies(const std::vector<int>& statuses) {
        std::vector<Reply> replies;
        for (int status : statuses) {
            replies.push_back({status, {}});
        }
        return replies;
    }

    void Serve() {
        for (size_t n = 0; !m_stop; ++n) {
            SOCKET client = accept(m_listener, nullptr, nullptr);
            if (client == INVALID_SOCKET) {
                return;
            }
            ++m_accepted;
            const Reply& reply = m_replies[std::min(n, m_replies.size() - 1)];
            if (reply.status == 0) {
                m_held.push_back(client);
                continue;
            }
            std::string request = ReadRequest(client);
            {
                std::lock_guard lock(m_mutex);
                m_requests.push_back(request);
                m_times.push_back(GetTickCount64());
            }
            const std::string answer = "HTTP/1.1 " + std::to_string(reply.status) + " X\r\n" + reply.headers +
                                       "Content-Length: 0\r\nConnection: close\r\n\r\n";
            send(client, answer.data(), static_cast<int>(answer.size()), 0);
            shutdown(client, SD_SEND);
            closesocket(client);
        }
    }

    // Headers, then as many body bytes as Content-Length says.
    static std::string ReadRequest(SOCKET client) {
        std::string data;
        char chunk[4096];
        size_t wanted = std::string::npos;
        while (wanted == std::string::npos || data.size() < wanted) {
            const int got = recv(client, chunk, sizeof chunk, 0);
            if (got <= 0) {
                break;
            }
            data.append(chunk, static_cast<size_t>(got));
            const size_t end = data.find("\r\n\r\n");
            if (end != std::string::npos && wanted == std::string::npos) {
                size_t length = 0;
                std::string lower = data.substr(0, end);
                for (char& c : lower) {
                    c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
                }
                const size_t at = lower.find("content-length:");
                if (at != std::string::npos) {
                    length = std::stoul(lower.substr(at + 15));
                }
                wanted = end + 4 + length;
            }
        }
        return data;
    }

    std::vector<Reply> m_replies;
    SOCKET m_listener = INVALID_SOCKET;
    int m_port = 0;
    std::atomic<bool> m_stop{false};
    std::atomic<int> m_accepted{0};
    std::vector<SOCKET> m_held;
    mutable std::mutex m_mutex;
    std::vector<std::string> m_requests;
    std::vector<ULONGLONG> m_times;
    std::thread m_thread;
};

// The webhook's failure reports, as its callback hands them over from its own thread.
struct Failures {
    std::mutex mutex;
    std::vector<std::wstring> reasons;
    std::function<void(const std::wstring&)> Sink() {
        return [this](const std::wstring& reason) {
            std::lock_guard lock(mutex);
            reasons.push_back(reason);
        };
    }
    size_t Count() {
        std::lock_guard lock(mutex);
        return reasons.size();
    }
};

// What follows a request's headers.
inline std::string BodyOf(const std::string& request) {
    const size_t end = request.find("\r\n\r\n");
    return end == std::string::npos ? std::string() : request.substr(end + 4);
}

} // namespace brvtest
