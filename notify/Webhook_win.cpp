#include "notify/Webhook_win.h"

#include "notify/WebhookBody.h"

#include <atomic>

#include <windows.h>
#include <winhttp.h>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>

namespace brv {

struct Webhook::State {
    explicit State(WebhookOptions o) : options(std::move(o)) {}

    const WebhookOptions options;
    mutable std::mutex mutex;
    mutable std::condition_variable changed;
    std::deque<std::string> queue; // request bodies
    bool busy = false;
    bool stop = false;
    bool finished = false;
    uint64_t delivered = 0;
    uint64_t dropped = 0;
};

namespace {

std::atomic<uint64_t> g_sent{0};
std::atomic<uint64_t> g_failed{0};

struct Target {
    std::wstring host;
    INTERNET_PORT port = 0;
    std::wstring path;
    bool secure = false;
};

std::optional<Target> CrackUrl(const std::wstring& url) {
    URL_COMPONENTS parts{};
    parts.dwStructSize = sizeof parts;
    parts.dwHostNameLength = static_cast<DWORD>(-1);
    parts.dwUrlPathLength = static_cast<DWORD>(-1);
    parts.dwExtraInfoLength = static_cast<DWORD>(-1);
    parts.dwSchemeLength = static_cast<DWORD>(-1);
    if (url.empty() || !WinHttpCrackUrl(url.c_str(), static_cast<DWORD>(url.size()), 0, &parts) ||
        (parts.nScheme != INTERNET_SCHEME_HTTP && parts.nScheme != INTERNET_SCHEME_HTTPS) ||
        parts.dwHostNameLength == 0) {
        return std::nullopt;
    }
    Target t;
    t.host.assign(parts.lpszHostName, parts.dwHostNameLength);
    t.port = parts.nPort;
    t.path.assign(parts.lpszUrlPath ? parts.lpszUrlPath : L"", parts.dwUrlPathLength);
    if (parts.lpszExtraInfo) {
        t.path.append(parts.lpszExtraInfo, parts.dwExtraInfoLength);
    }
    if (t.path.empty()) {
        t.path = L"/";
    }
    t.secure = parts.nScheme == INTERNET_SCHEME_HTTPS;
    return t;
}

struct Handle {
    HINTERNET h = nullptr;
    ~Handle() {
        if (h) {
            WinHttpCloseHandle(h);
        }
    }
};

std::wstring ErrorReason(DWORD code) {
    return L"ошибка " + std::to_wstring(code);
}

void LimitTo(HINTERNET request, int ms) {
    WinHttpSetTimeouts(request, ms, ms, ms, ms);
    // Waiting for the answer's headers has a limit of its own, which some systems apply already while
    // the request is being sent.
    DWORD value = static_cast<DWORD>(ms);
    WinHttpSetOption(request, WINHTTP_OPTION_RECEIVE_RESPONSE_TIMEOUT, &value, sizeof value);
}

// The whole request within `timeoutMs`: each phase gets what is left of it.
std::optional<std::wstring> Post(HINTERNET session, const Target& t, const std::string& body,
                                 uint32_t timeoutMs) {
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    const auto left = [&] {
        const ULONGLONG now = GetTickCount64();
        return static_cast<int>(now >= deadline ? 1 : std::min<ULONGLONG>(deadline - now, 0x7FFFFFFF));
    };
    Handle connection{WinHttpConnect(session, t.host.c_str(), t.port, 0)};
    if (!connection.h) {
        return ErrorReason(GetLastError());
    }
    Handle request{WinHttpOpenRequest(connection.h, L"POST", t.path.c_str(), nullptr, WINHTTP_NO_REFERER,
                                      WINHTTP_DEFAULT_ACCEPT_TYPES, t.secure ? WINHTTP_FLAG_SECURE : 0)};
    if (!request.h) {
        return ErrorReason(GetLastError());
    }
    LimitTo(request.h, left());
    static constexpr wchar_t kHeaders[] = L"Content-Type: application/json; charset=utf-8\r\n";
    if (!WinHttpSendRequest(request.h, kHeaders, static_cast<DWORD>(-1L), const_cast<char*>(body.data()),
                            static_cast<DWORD>(body.size()), static_cast<DWORD>(body.size()), 0)) {
        return ErrorReason(GetLastError());
    }
    LimitTo(request.h, left());
    if (!WinHttpReceiveResponse(request.h, nullptr)) {
        return ErrorReason(GetLastError());
    }
    DWORD status = 0;
    DWORD size = sizeof status;
    if (!WinHttpQueryHeaders(request.h, WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                             WINHTTP_HEADER_NAME_BY_INDEX, &status, &size, WINHTTP_NO_HEADER_INDEX)) {
        return ErrorReason(GetLastError());
    }
    if (status < 200 || status > 299) {
        return L"ответ HTTP " + std::to_wstring(status);
    }
    return std::nullopt;
}

void Run(const std::shared_ptr<Webhook::State>& s) {
    const std::optional<Target> target = CrackUrl(s->options.url);
    Handle session{WinHttpOpen(L"Brivan", WINHTTP_ACCESS_TYPE_DEFAULT_PROXY, WINHTTP_NO_PROXY_NAME,
                               WINHTTP_NO_PROXY_BYPASS, 0)};
    const DWORD sessionError = session.h ? 0 : GetLastError();
    bool failing = false;
    std::unique_lock lock(s->mutex);
    for (;;) {
        s->changed.wait(lock, [&] { return s->stop || !s->queue.empty(); });
        if (s->stop) {
            break;
        }
        const std::string body = std::move(s->queue.front());
        s->queue.pop_front();
        s->busy = true;
        lock.unlock();
        std::optional<std::wstring> failure;
        if (!target) {
            failure = L"неверный адрес";
        } else if (!session.h) {
            failure = ErrorReason(sessionError);
        } else {
            failure = Post(session.h, *target, body, s->options.timeoutMs);
        }
        lock.lock();
        // Under the lock and never after the stop: once the destructor has returned, whatever the
        // callback refers to may be gone.
        if (failure && !failing && !s->stop && s->options.onFailure) {
            s->options.onFailure(*failure);
        }
        failing = failure.has_value();
        s->busy = false;
        if (!failure) {
            ++s->delivered;
            ++g_sent;
        } else {
            ++g_failed;
        }
        s->changed.notify_all();
    }
    s->finished = true;
    s->changed.notify_all();
}

} // namespace

WebhookTotals WebhookTotalsSoFar() {
    return WebhookTotals{g_sent.load(), g_failed.load()};
}

Webhook::Webhook(WebhookOptions options) : m_state(std::make_shared<State>(std::move(options))) {
    m_thread = std::thread([s = m_state] { Run(s); });
}

Webhook::~Webhook() {
    bool finished = false;
    {
        std::unique_lock lock(m_state->mutex);
        m_state->stop = true;
        m_state->queue.clear();
        m_state->changed.notify_all();
        finished = m_state->changed.wait_for(lock, std::chrono::milliseconds(m_state->options.stopWaitMs),
                                             [&] { return m_state->finished; });
    }
    if (finished) {
        m_thread.join();
    } else {
        m_thread.detach(); // stuck in a request: it holds its own share of the state and ends with it
    }
}

bool Webhook::Send(const std::wstring& content) {
    std::string body = WebhookBody(content);
    std::lock_guard lock(m_state->mutex);
    if (m_state->stop || m_state->queue.size() >= m_state->options.queueLimit) {
        ++m_state->dropped;
        return false;
    }
    m_state->queue.push_back(std::move(body));
    m_state->changed.notify_all();
    return true;
}

size_t Webhook::Queued() const {
    std::lock_guard lock(m_state->mutex);
    return m_state->queue.size();
}

uint64_t Webhook::Delivered() const {
    std::lock_guard lock(m_state->mutex);
    return m_state->delivered;
}

uint64_t Webhook::Dropped() const {
    std::lock_guard lock(m_state->mutex);
    return m_state->dropped;
}

bool Webhook::WaitIdle(uint32_t timeoutMs) const {
    std::unique_lock lock(m_state->mutex);
    return m_state->changed.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                                     [&] { return m_state->queue.empty() && !m_state->busy; });
}

} // namespace brv
