#include "app/Notices_win.h"

#include "notify/NotifyTexts.h"

namespace brv {

namespace {

// Requests stuck at Exit are left behind after this long rather than waited for.
constexpr uint32_t kWebhookStopWaitMs = 500;

} // namespace

Notices::Notices(BalloonSink balloons, std::function<void(const std::wstring&)> journal)
    : m_balloonSink(std::move(balloons)), m_failures(std::make_shared<FailureSink>()) {
    m_failures->journal = std::move(journal);
}

Notices::~Notices() {
    std::unique_ptr<Webhook> webhook;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        webhook = std::move(m_webhook);
    }
    webhook.reset();
    std::lock_guard<std::mutex> lock(m_failures->mutex);
    m_failures->journal = nullptr;
}

void Notices::Apply(const NotifySettings& settings) {
    std::unique_ptr<Webhook> old;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_balloons = settings.balloons;
        if (settings.webhookUrl == m_url) {
            return;
        }
        m_url = settings.webhookUrl;
        old = std::move(m_webhook);
        if (!m_url.empty()) {
            WebhookOptions options;
            options.url = m_url;
            options.stopWaitMs = kWebhookStopWaitMs;
            options.counts = m_counts;
            options.onFailure = [sink = m_failures](const std::wstring& reason) {
                std::lock_guard<std::mutex> lock(sink->mutex);
                if (sink->journal) {
                    sink->journal(reason);
                }
            };
            m_webhook = std::make_unique<Webhook>(std::move(options));
        }
    }
    // The old webhook may wait a moment for a request in flight: not under the lock.
    old.reset();
}

void Notices::Offer(const Notice& notice, NoticeKind kind) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_limiter.Offer(notice, kind, GetTickCount64())) {
        Deliver(notice);
    }
}

void Notices::Tick() {
    std::lock_guard<std::mutex> lock(m_mutex);
    for (const Notice& notice : m_limiter.TakeDue(GetTickCount64())) {
        Deliver(notice);
    }
}

void Notices::Forget(const std::wstring& key) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_limiter.Forget(key);
}

uint64_t Notices::Delivered() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_delivered;
}

void Notices::Deliver(const Notice& notice) {
    ++m_delivered;
    if (m_balloons && m_balloonSink) {
        m_balloonSink(notice.title, BalloonLines(notice.text));
    }
    if (m_webhook) {
        m_webhook->Send(WebhookContent(notice.title, notice.text)); // queued; never waits
    }
}

} // namespace brv
