#pragma once
// The optional webhook: each notification goes as an HTTP POST through WinHTTP, from a thread of its
// own with a bounded queue and a time limit per request. The body's shape follows the service the URL
// names. Plain http goes only to this machine (the token in the URL would cross the network in clear),
// no redirect is followed, and a "429" answer is waited out as its Retry-After says. A webhook that
// fails or hangs never delays the caller; a failure is reported once, and again only after a message
// has gone through.
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <thread>

namespace brv {

// Notices sent and lost, kept across webhooks when the URL changes.
struct WebhookCounts {
    std::atomic<uint64_t> sent{0};   // answered with 2xx
    std::atomic<uint64_t> failed{0}; // refused, failed, timed out, or dropped by a full queue
};

struct WebhookOptions {
    std::wstring url;           // https://, or http:// to a loopback address
    uint32_t timeoutMs = 10000; // one request, from name lookup to the answer
    size_t queueLimit = 16;     // messages waiting; more are dropped
    uint32_t stopWaitMs = 1000; // how long the destructor waits for a request in flight
    // A "429" is waited out at most this long each time, and this many times per message; a longer
    // Retry-After, or one more 429, is a failure.
    uint32_t maxHoldSeconds = 120;
    int maxHolds = 3;
    // Runs on the webhook's thread with a short reason ("ответ HTTP 404", "ошибка 12002"); it must not
    // block (hand it to the journal).
    std::function<void(const std::wstring& reason)> onFailure;
    std::shared_ptr<WebhookCounts> counts; // shared with the owner; one of its own when empty
};

// The failure reason of a plain-http URL to another machine.
std::wstring PlainHttpRefusedReason();

class Webhook {
public:
    explicit Webhook(WebhookOptions options);
    ~Webhook();
    Webhook(const Webhook&) = delete;
    Webhook& operator=(const Webhook&) = delete;

    // Queues one message and returns at once. False when the queue was full and the message dropped.
    bool Send(const std::wstring& content);

    size_t Queued() const;    // waiting, the one being sent not included
    uint64_t Sent() const;    // answered with 2xx
    uint64_t Failed() const;  // not delivered, for whatever reason, full queue included
    uint64_t Dropped() const; // refused by a full queue
    // Waits until nothing waits and nothing is being sent, at most `timeoutMs`.
    bool WaitIdle(uint32_t timeoutMs) const;

    struct State;

private:
    std::shared_ptr<State> m_state;
    std::thread m_thread;
};

} // namespace brv
