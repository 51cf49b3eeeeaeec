#include "remote/Listener_win.h"

#include "remote/RateLimiter.h"
#include "remote/StatusPage.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>
#include <thread>

// What a connection may still send and by when: read through this, every receive of the library is
// bounded in bytes and in time, whatever the client's pace.
namespace brv::remote::limits {
struct Connection {
    SOCKET sock = INVALID_SOCKET;
    uint32_t ip = 0;
    std::atomic<int64_t> deadlineMs{0};
    std::atomic<bool> poisoned{false};
    size_t budget = kConnectionBytes;
    bool closed = false; // guarded by the listener's mutex
};
thread_local Connection* t_connection = nullptr;

int64_t NowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

int BoundedRecv(SOCKET s, char* buffer, int size, int flags) {
    Connection* c = t_connection;
    if (c && c->sock == s) {
        if (c->poisoned || c->budget == 0 || NowMs() > c->deadlineMs) {
            return 0; // read as the client's end: the library closes the connection
        }
        size = static_cast<int>(std::min<size_t>(static_cast<size_t>(size), c->budget));
    }
    const int n = ::recv(s, buffer, size, flags);
    if (c && c->sock == s && n > 0) {
        c->budget -= static_cast<size_t>(n);
    }
    return n;
}
} // namespace brv::remote::limits

#define CPPHTTPLIB_HEADER_MAX_LENGTH 4096
#define CPPHTTPLIB_REQUEST_URI_MAX_LENGTH 2048
#define CPPHTTPLIB_LISTEN_BACKLOG 64
#define CPPHTTPLIB_THREAD_POOL_COUNT 1
#define recv brv::remote::limits::BoundedRecv
#include <httplib.h>
#undef recv

namespace brv::remote {
namespace {

using limits::Connection;
using limits::NowMs;

constexpr time_t kReadSeconds = 2;
constexpr time_t kWriteSeconds = 3;
constexpr size_t kKeepAliveRequests = 20;

// The library's accept loop hands each socket here at once, on its own thread: admission happens
// there, the work on the workers.
class InlineQueue : public httplib::TaskQueue {
public:
    void enqueue(std::function<void()> fn) override { fn(); }
    void shutdown() override {}
};

void Drop(SOCKET s) {
    linger l{1, 0}; // a reset: nothing is answered
    setsockopt(s, SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&l), sizeof l);
    closesocket(s);
}

} // namespace

struct Listener::Impl : httplib::Server {
    ListenerConfig config;
    SnapshotSource snapshot;
    Actions* actions;
    std::atomic<socket_t> alive{INVALID_SOCKET};
    std::thread acceptThread;
    std::vector<std::thread> workers;

    std::mutex mutex; // guards everything below
    std::condition_variable wake;
    std::deque<std::shared_ptr<Connection>> pending;
    std::map<Connection*, std::shared_ptr<Connection>> open;
    std::map<uint32_t, int> perAddress;
    bool stopping = false;

    std::mutex rateMutex;
    RateLimiter rate{kRequestsPerSecond, kRequestBurst};

    Impl(ListenerConfig c, SnapshotSource s, Actions* a)
        : config(std::move(c)), snapshot(std::move(s)), actions(a) {}

    bool process_and_close_socket(socket_t sock) override {
        sockaddr_in peer{};
        int len = sizeof peer;
        if (getpeername(sock, reinterpret_cast<sockaddr*>(&peer), &len) != 0 || peer.sin_family != AF_INET) {
            Drop(sock);
            return false;
        }
        const uint32_t ip = ntohl(peer.sin_addr.s_addr);
        if (!config.allowFrom.Allows(ip)) {
            Drop(sock);
            return false;
        }
        // Answers go out in two writes (head, body): without this the second waits for a delayed ack.
        int yes = 1;
        setsockopt(sock, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&yes), sizeof yes);
        // A scrape of a hundred servers is about 120 KB: sent in one piece rather than waited out in many.
        int sendBuffer = 512 * 1024;
        setsockopt(sock, SOL_SOCKET, SO_SNDBUF, reinterpret_cast<const char*>(&sendBuffer),
                   sizeof sendBuffer);
        auto c = std::make_shared<Connection>();
        c->sock = sock;
        c->ip = ip;
        c->deadlineMs = NowMs() + kRequestMs;
        {
            std::lock_guard lock(mutex);
            if (stopping || perAddress[ip] >= kConnectionsPerAddress ||
                pending.size() >= static_cast<size_t>(kPendingConnections)) {
                if (perAddress[ip] == 0) {
                    perAddress.erase(ip);
                }
                Drop(sock);
                return false;
            }
            ++perAddress[ip];
            open[c.get()] = c;
            pending.push_back(c);
        }
        wake.notify_one();
        return true;
    }

    void Serve(const std::shared_ptr<Connection>& c) {
        limits::t_connection = c.get();
        httplib::detail::process_server_socket(alive, c->sock, kKeepAliveRequests, kReadSeconds, kReadSeconds,
                                               0, kWriteSeconds, 0,
                                               [this](httplib::Stream& strm, bool close, bool& closed) {
                                                   return process_request(strm, close, closed, nullptr);
                                               });
        limits::t_connection = nullptr;
        std::lock_guard lock(mutex);
        c->closed = true;
        shutdown(c->sock, SD_BOTH);
        closesocket(c->sock);
        open.erase(c.get());
        if (--perAddress[c->ip] <= 0) {
            perAddress.erase(c->ip);
        }
    }

    void Work() {
        for (;;) {
            std::shared_ptr<Connection> c;
            {
                std::unique_lock lock(mutex);
                wake.wait(lock, [&] { return stopping || !pending.empty(); });
                if (stopping) {
                    return;
                }
                c = pending.front();
                pending.pop_front();
            }
            Serve(c);
        }
    }

    void Handle(const httplib::Request& req, httplib::Response& res) {
        Connection* c = limits::t_connection;
        const uint32_t peer = c ? c->ip : 0;
        {
            std::lock_guard lock(rateMutex);
            if (!rate.Allow(peer, static_cast<uint64_t>(NowMs()))) {
                res.status = 429;
                res.set_header("Retry-After", "1");
                res.set_content(R"({"error":"слишком много запросов"})", "application/json; charset=utf-8");
                return;
            }
        }
        Request r;
        r.method = req.method == "HEAD" ? "GET" : req.method;
        r.target = req.target;
        r.peer = peer;
        r.body = req.body;
        const auto header = [&](const char* name) -> std::optional<std::string> {
            if (req.get_header_value_count(name) == 0) {
                return std::nullopt;
            }
            return req.get_header_value(name);
        };
        r.host = header("Host");
        r.origin = header("Origin");
        r.authorization = header("Authorization");
        if (req.get_header_value_count("Host") > 1 || req.get_header_value_count("Authorization") > 1) {
            res.status = 400;
            return;
        }
        const Reply reply = Route(r, config.guard, snapshot, actions, StatusPageHtml());
        res.status = reply.status;
        for (const auto& [name, value] : reply.headers) {
            res.set_header(name.c_str(), value);
        }
        if (reply.contentType.rfind("text/html", 0) == 0) {
            res.set_header("Content-Security-Policy", "default-src 'none'; script-src 'unsafe-inline'; "
                                                      "style-src 'unsafe-inline'; connect-src 'self'; "
                                                      "form-action 'none'; frame-ancestors 'none'");
        }
        res.set_content(reply.body, reply.contentType.c_str());
    }

    void Configure() {
        new_task_queue = [] { return new InlineQueue; };
        set_idle_interval(0, 100000); // how soon a stop is seen by the accept loop
        set_read_timeout(kReadSeconds, 0);
        set_write_timeout(kWriteSeconds, 0);
        set_keep_alive_max_count(kKeepAliveRequests);
        set_keep_alive_timeout(kReadSeconds);
        set_payload_max_length(kBodyBytes);
        set_socket_options([](socket_t sock) {
            int yes = 1;
            setsockopt(sock, SOL_SOCKET, SO_EXCLUSIVEADDRUSE, reinterpret_cast<const char*>(&yes),
                       sizeof yes);
        });
        set_default_headers({{"X-Content-Type-Options", "nosniff"},
                             {"Cache-Control", "no-store"},
                             {"X-Frame-Options", "DENY"},
                             {"Referrer-Policy", "no-referrer"}});
        const auto handle = [this](const httplib::Request& req, httplib::Response& res) { Handle(req, res); };
        for (const char* pattern : {".*"}) {
            Get(pattern, handle);
            Post(pattern, handle);
            Put(pattern, handle);
            Delete(pattern, handle);
            Patch(pattern, handle);
            Options(pattern, handle);
        }
        // A request with neither a length nor chunks has no body: the library would read one until the
        // client closes, so it is answered here before any body is read.
        set_pre_routing_handler([this](const httplib::Request& req, httplib::Response& res) {
            if ((req.method == "POST" || req.method == "PUT" || req.method == "PATCH") &&
                !req.has_header("Content-Length") && !req.has_header("Transfer-Encoding")) {
                Handle(req, res);
                return HandlerResponse::Handled;
            }
            return HandlerResponse::Unhandled;
        });
        // Each answer starts the time for the next request; a malformed one ends the connection.
        set_logger([](const httplib::Request&, const httplib::Response& res) {
            if (Connection* c = limits::t_connection) {
                c->deadlineMs = NowMs() + kRequestMs;
                if (res.status == 400 || res.status == 413 || res.status == 414) {
                    c->poisoned = true;
                }
            }
        });
    }
};

Listener::Listener(ListenerConfig config, SnapshotSource snapshot, Actions* actions)
    : m(std::make_unique<Impl>(std::move(config), std::move(snapshot), actions)) {
    m->Configure();
}

Listener::~Listener() {
    Stop();
}

bool Listener::Start(long* error) {
    const std::string address = Ipv4Text(m->config.guard.listenIp);
    if (!m->bind_to_port(address.c_str(), m->config.guard.port)) {
        if (error) {
            *error = WSAGetLastError();
        }
        return false;
    }
    m->alive = 1; // any valid value: the keep-alive loops run while it is
    for (int i = 0; i < kWorkers; ++i) {
        m->workers.emplace_back([this] { m->Work(); });
    }
    m->acceptThread = std::thread([this] { m->listen_after_bind(); });
    return true;
}

void Listener::Stop() {
    if (!m->acceptThread.joinable()) {
        return;
    }
    m->alive = INVALID_SOCKET;
    m->stop();
    m->acceptThread.join();
    {
        std::lock_guard lock(m->mutex);
        m->stopping = true;
        for (auto& [raw, c] : m->open) {
            if (!c->closed) {
                shutdown(c->sock, SD_BOTH); // a worker waiting for this client wakes at once
            }
        }
        for (auto& c : m->pending) {
            c->closed = true;
            Drop(c->sock);
            m->open.erase(c.get());
        }
        m->pending.clear();
    }
    m->wake.notify_all();
    for (std::thread& t : m->workers) {
        t.join();
    }
    m->workers.clear();
}

} // namespace brv::remote
