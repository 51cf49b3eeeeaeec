#include "notify/Webhook_win.h"

#include "notify/RetryAfter.h"
#include "notify/WebhookBody.h"
#include "notify/WebhookUrl.h"

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
    explicit State(WebhookOptions o)
        : options(std::move(o)), counts(options.counts ? options.counts : std::make_shared<WebhookCounts>()),
          service(WebhookServiceOf(options.url)) {}

    const WebhookOptions options;
    const std::shared_ptr<WebhookCounts> counts;
    const WebhookService service;
    mutable std::mutex mutex;
    mutable std::condition_variable changed;
    std::deque<std::string> queue; // request bodies
    bool busy = false;
    bool stop = false;
    bool finished = false;
    uint64_t dropped = 0;
};

std::wstring PlainHttpRefusedReason() {
    return L"адрес http:// ведёт на другой компьютер, ключ веб-хука ушёл бы открытым текстом; нужен https://";
}

namespace {

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

std::wstring Lower(std::wstring text) {
    for (wchar_t& c : text) {
        c = c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c + 32) : c;
    }
    return text;
}

// Lower case, without the brackets of an IPv6 address.
std::wstring BareHost(const std::wstring& host) {
    const bool bracketed = host.size() > 2 && host.front() == L'[' && host.back() == L']';
    return Lower(bracketed ? host.substr(1, host.size() - 2) : host);
}

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

// A request's outcome: a failure reason, or none when delivered; a "429" leaves its Retry-After.
struct Answer {
    std::optional<std::wstring> failure;
    bool tooMany = false;
    std::wstring retryAfter;
};

Answer Failure(std::wstring reason) {
    Answer answer;
    answer.failure = std::move(reason);
    return answer;
}

std::wstring HeaderOf(HINTERNET request, const wchar_t* name) {
    wchar_t value[256] = {};
    DWORD size = sizeof value - sizeof(wchar_t);
    if (!WinHttpQueryHeaders(request, WINHTTP_QUERY_CUSTOM, name, value, &size, WINHTTP_NO_HEADER_INDEX)) {
        return {};
    }
    return std::wstring(value, size / sizeof(wchar_t));
}

// The whole request within `timeoutMs`: each phase gets what is left of it.
Answer Post(HINTERNET session, const Target& t, const std::string& body, uint32_t timeoutMs) {
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    const auto left = [&] {
        const ULONGLONG now = GetTickCount64();
        return static_cast<int>(now >= deadline ? 1 : std::min<ULONGLONG>(deadline - now, 0x7FFFFFFF));
    };
    Handle connection{WinHttpConnect(session, t.host.c_str(), t.port, 0)};
    if (!connection.h) {
        return Failure(ErrorReason(GetLastError()));
    }
    Handle request{WinHttpOpenRequest(connection.h, L"POST", t.path.c_str(), nullptr, WINHTTP_NO_REFERER,
                                      WINHTTP_DEFAULT_ACCEPT_TYPES, t.secure ? WINHTTP_FLAG_SECURE : 0)};
    if (!request.h) {
        return Failure(ErrorReason(GetLastError()));
    }
    // A redirect could carry the notice, token and all, to an address nobody checked: an answer of
    // 3xx is a failure like any other.
    DWORD never = WINHTTP_OPTION_REDIRECT_POLICY_NEVER;
    WinHttpSetOption(request.h, WINHTTP_OPTION_REDIRECT_POLICY, &never, sizeof never);
    LimitTo(request.h, left());
    static constexpr wchar_t kHeaders[] = L"Content-Type: application/json; charset=utf-8\r\n";
    if (!WinHttpSendRequest(request.h, kHeaders, static_cast<DWORD>(-1L), const_cast<char*>(body.data()),
                            static_cast<DWORD>(body.size()), static_cast<DWORD>(body.size()), 0)) {
        return Failure(ErrorReason(GetLastError()));
    }
    LimitTo(request.h, left());
    if (!WinHttpReceiveResponse(request.h, nullptr)) {
        return Failure(ErrorReason(GetLastError()));
    }
    DWORD status = 0;
    DWORD size = sizeof status;
    if (!WinHttpQueryHeaders(request.h, WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                             WINHTTP_HEADER_NAME_BY_INDEX, &status, &size, WINHTTP_NO_HEADER_INDEX)) {
        return Failure(ErrorReason(GetLastError()));
    }
    if (status == 429) {
        Answer answer = Failure(L"ответ HTTP 429");
        answer.tooMany = true;
        answer.retryAfter = HeaderOf(request.h, L"Retry-After");
        return answer;
    }
    if (status < 200 || status > 299) {
        return Failure(L"ответ HTTP " + std::to_wstring(status));
    }
    return {};
}

int64_t UnixNow() {
    FILETIME ft;
    GetSystemTimeAsFileTime(&ft);
    const uint64_t ticks = (static_cast<uint64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
    return static_cast<int64_t>(ticks / 10000000) - 11644473600LL;
}

// Sends one body, waiting out "429" answers within the options' bounds. Nothing when delivered; the
// failure otherwise; nothing either when stopped during a wait (the caller counts no delivery then).
std::optional<std::wstring> Deliver(const std::shared_ptr<Webhook::State>& s, HINTERNET session,
                                    const Target& target, const std::string& body) {
    constexpr uint64_t kNoRetryAfterSeconds = 5;
    for (int holds = 0;; ++holds) {
        Answer answer = Post(session, target, body, s->options.timeoutMs);
        if (!answer.tooMany) {
            return answer.failure;
        }
        const uint64_t wait = RetryAfterSeconds(answer.retryAfter, UnixNow()).value_or(kNoRetryAfterSeconds);
        if (holds >= s->options.maxHolds) {
            return answer.failure;
        }
        if (wait > s->options.maxHoldSeconds) {
            return L"ответ HTTP 429, повтор не раньше чем через " + std::to_wstring(wait) + L" с";
        }
        std::unique_lock lock(s->mutex);
        if (s->changed.wait_for(lock, std::chrono::seconds(wait), [&] { return s->stop; })) {
            return std::nullopt;
        }
    }
}

void Run(const std::shared_ptr<Webhook::State>& s) {
    const std::optional<Target> target = CrackUrl(s->options.url);
    // Judged both on our own reading of the URL and on the host WinHTTP would really connect to.
    const bool loopback = target && IsLoopbackHost(BareHost(target->host));
    const bool plainHttpAway = target && (WebhookUrlVerdict(s->options.url) != UrlVerdict::Allowed ||
                                          (!target->secure && !loopback));
    // A receiver on this machine is reached directly: a configured proxy would carry the plain-http
    // request, token and all, off the machine.
    Handle session{WinHttpOpen(L"Brivan",
                               loopback ? WINHTTP_ACCESS_TYPE_NO_PROXY : WINHTTP_ACCESS_TYPE_DEFAULT_PROXY,
                               WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0)};
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
        } else if (plainHttpAway) {
            failure = PlainHttpRefusedReason();
        } else if (!session.h) {
            failure = ErrorReason(sessionError);
        } else {
            failure = Deliver(s, session.h, *target, body);
        }
        lock.lock();
        // Under the lock and never after the stop: once the destructor has returned, whatever the
        // callback refers to may be gone.
        if (failure && !failing && !s->stop && s->options.onFailure) {
            s->options.onFailure(*failure);
        }
        failing = failure.has_value();
        s->busy = false;
        if (failure) {
            ++s->counts->failed;
        } else if (!s->stop) {
            ++s->counts->sent;
        }
        s->changed.notify_all();
    }
    s->finished = true;
    s->changed.notify_all();
}

} // namespace

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
    std::string body = WebhookBody(content, m_state->service);
    std::lock_guard lock(m_state->mutex);
    if (m_state->stop || m_state->queue.size() >= m_state->options.queueLimit) {
        ++m_state->dropped;
        ++m_state->counts->failed;
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

uint64_t Webhook::Sent() const {
    return m_state->counts->sent.load();
}

uint64_t Webhook::Failed() const {
    return m_state->counts->failed.load();
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
