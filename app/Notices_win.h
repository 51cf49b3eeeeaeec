#pragma once
// Where the operator hears of incidents: a balloon from the notification-area icon (handed to the
// window thread, which shows it) and, when a URL is set, the webhook. Both pass one limiter: at
// most one notice per server per minute, and a crash loop's start and end once each. Any thread; no
// call waits for a window or the network.
#include "notify/NotifyLimiter.h"
#include "notify/Webhook_win.h"
#include "settings/BrivanSettings.h"

#include <windows.h>

#include <functional>
#include <memory>
#include <mutex>
#include <string>

namespace brv {

class Notices {
public:
    // Gets a balloon's title and lines; it must only hand them to the window thread. May be empty.
    using BalloonSink = std::function<void(const std::wstring& title, const std::wstring& text)>;

    // `journal` gets the webhook's failure, once per run of failures.
    Notices(BalloonSink balloons, std::function<void(const std::wstring&)> journal);
    ~Notices();
    Notices(const Notices&) = delete;
    Notices& operator=(const Notices&) = delete;

    // Balloons on or off; a new URL starts a new webhook, an empty one ends it.
    void Apply(const NotifySettings& settings);

    // One incident of the server `notice.key`; the limiter decides whether it goes out.
    void Offer(const Notice& notice, NoticeKind kind);
    // Loop notices held back by the minute that are due now.
    void Tick();
    // The operator stopped the server.
    void Forget(const std::wstring& key);

    // Notices that went out (balloon or webhook), for tests and figures.
    uint64_t Delivered() const;
    // The webhook's notices delivered and lost over the whole run, whatever URLs it had. Any thread.
    uint64_t Sent() const { return m_counts->sent.load(); }
    uint64_t Failed() const { return m_counts->failed.load(); }

private:
    void Deliver(const Notice& notice);

    // The webhook's failure report, shared with its thread: a request stuck past the webhook's end
    // may report after these notices are gone, and must then find nothing to call.
    struct FailureSink {
        std::mutex mutex;
        std::function<void(const std::wstring&)> journal;
    };

    BalloonSink m_balloonSink;
    std::shared_ptr<FailureSink> m_failures;
    const std::shared_ptr<WebhookCounts> m_counts = std::make_shared<WebhookCounts>();
    mutable std::mutex m_mutex; // guards everything below
    NotifyLimiter m_limiter;
    bool m_balloons = true;
    std::wstring m_url;
    std::unique_ptr<Webhook> m_webhook;
    uint64_t m_delivered = 0;
};

} // namespace brv
