#pragma once
// The optional webhook: each notification goes as an HTTP POST with the body {"content":"..."}
// through WinHTTP, from a thread of its own with a bounded queue and a time limit per request. A
// webhook that fails or hangs never delays the caller; a failure is reported once, and again only
// after a message has gone through.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <thread>

namespace brv {

struct WebhookOptions {
    std::wstring url;           // http:// or https://
    uint32_t timeoutMs = 10000; // one request, from name lookup to the answer
    size_t queueLimit = 16;     // messages waiting; more are dropped
    uint32_t stopWaitMs = 1000; // how long the destructor waits for a request in flight
    // Runs on the webhook's thread with a short reason ("ответ HTTP 404", "ошибка 12002"); it must not
    // block (hand it to the journal).
    std::function<void(const std::wstring& reason)> onFailure;
};

// Every webhook of this process together: messages answered with 2xx, and attempts that failed.
struct WebhookTotals {
    uint64_t sent = 0;
    uint64_t failed = 0;
};
WebhookTotals WebhookTotalsSoFar();

class Webhook {
public:
    explicit Webhook(WebhookOptions options);
    ~Webhook();
    Webhook(const Webhook&) = delete;
    Webhook& operator=(const Webhook&) = delete;

    // Queues one message and returns at once. False when the queue was full and the message dropped.
    bool Send(const std::wstring& content);

    size_t Queued() const;      // waiting, the one being sent not included
    uint64_t Delivered() const; // answered with 2xx
    uint64_t Dropped() const;   // refused by a full queue
    // Waits until nothing waits and nothing is being sent, at most `timeoutMs`.
    bool WaitIdle(uint32_t timeoutMs) const;

    struct State;

private:
    std::shared_ptr<State> m_state;
    std::thread m_thread;
};

} // namespace brv
