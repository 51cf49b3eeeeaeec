// The webhook against a receiver of the test's own on 127.0.0.1, under Wine.
#include "framework/Text.h"
#include "notify/Webhook_win.h"
#include "tests/win/notify/HttpReceiver.h"

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>

using brv::Webhook;
using brv::WebhookOptions;
using brvtest::BodyOf;
using brvtest::Failures;
using brvtest::HttpReceiver;

namespace {} // namespace

TEST(Webhook, EachMessageArrivesAsAJsonPostWithItsTextEscaped) {
    HttpReceiver receiver({204});
    Failures failures;
    WebhookOptions o;
    o.url = receiver.Url(L"/api/webhooks/1/token?wait=true");
    o.onFailure = failures.Sink();
    Webhook webhook(o);
    EXPECT_TRUE(webhook.Send(L"Brivan: Арена - 27015: Сервер упал (код 0xC0000005)"));
    EXPECT_TRUE(webhook.Send(L"say \"hi\"\r\nC:\\hlds"));
    ASSERT_TRUE(webhook.WaitIdle(20000));
    const auto requests = receiver.Requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].substr(0, requests[0].find("\r\n")),
              "POST /api/webhooks/1/token?wait=true HTTP/1.1");
    std::string headers = requests[0].substr(0, requests[0].find("\r\n\r\n"));
    for (char& c : headers) {
        c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
    }
    EXPECT_NE(headers.find("content-type: application/json"), std::string::npos) << headers;
    // A loopback URL names no known service: both fields.
    const std::string first =
        "\"Brivan: \xD0\x90\xD1\x80\xD0\xB5\xD0\xBD\xD0\xB0 - 27015: "
        "\xD0\xA1\xD0\xB5\xD1\x80\xD0\xB2\xD0\xB5\xD1\x80 \xD1\x83\xD0\xBF\xD0\xB0\xD0\xBB "
        "(\xD0\xBA\xD0\xBE\xD0\xB4 0xC0000005)\"";
    EXPECT_EQ(BodyOf(requests[0]), "{\"content\":" + first + ",\"text\":" + first + "}");
    const std::string second = "\"say \\\"hi\\\"\\r\\nC:\\\\hlds\"";
    EXPECT_EQ(BodyOf(requests[1]), "{\"content\":" + second + ",\"text\":" + second + "}");
    EXPECT_EQ(webhook.Sent(), 2u);
    EXPECT_EQ(failures.Count(), 0u);
}

TEST(Webhook, AReceiverThatNeverAnswersDelaysNothingAndTheQueueStaysBounded) {
    HttpReceiver receiver({0});
    Failures failures;
    WebhookOptions o;
    o.url = receiver.Url(L"/hook");
    o.timeoutMs = 1500;
    o.queueLimit = 4;
    o.onFailure = failures.Sink();
    Webhook webhook(o);
    ULONGLONG slowest = 0;
    int accepted = 0;
    for (int i = 0; i < 50; ++i) {
        const ULONGLONG before = GetTickCount64();
        accepted += webhook.Send(L"сообщение " + std::to_wstring(i));
        slowest = std::max(slowest, GetTickCount64() - before);
        EXPECT_LE(webhook.Queued(), 4u);
    }
    EXPECT_LT(slowest, 1000u) << "Send must not wait for the receiver";
    EXPECT_LE(accepted, 5) << "one in flight and four waiting";
    EXPECT_GE(webhook.Dropped(), 45u);
    // Each queued message times out in turn; the failure is reported once, not per message.
    ASSERT_TRUE(webhook.WaitIdle(60000));
    EXPECT_EQ(failures.Count(), 1u);
    EXPECT_EQ(webhook.Sent(), 0u);
    EXPECT_GE(receiver.Accepted(), 1);
}

TEST(Webhook, AFailureIsReportedOnceAndAgainOnlyAfterAMessageHasGoneThrough) {
    HttpReceiver receiver({500, 404, 200, 503, 503});
    Failures failures;
    WebhookOptions o;
    o.url = receiver.Url(L"/");
    o.onFailure = failures.Sink();
    Webhook webhook(o);
    for (int i = 0; i < 5; ++i) {
        webhook.Send(L"m" + std::to_wstring(i));
        ASSERT_TRUE(webhook.WaitIdle(20000));
    }
    EXPECT_EQ(receiver.Requests().size(), 5u);
    ASSERT_EQ(failures.Count(), 2u);
    EXPECT_EQ(failures.reasons[0], L"ответ HTTP 500");
    EXPECT_EQ(failures.reasons[1], L"ответ HTTP 503");
    EXPECT_EQ(webhook.Sent(), 1u);
}

TEST(Webhook, AnUnusableAddressOrANoOneListeningIsAFailureNotAHang) {
    Failures failures;
    {
        WebhookOptions o;
        o.url = L"ftp://127.0.0.1/x";
        o.onFailure = failures.Sink();
        Webhook webhook(o);
        webhook.Send(L"a");
        webhook.Send(L"b");
        ASSERT_TRUE(webhook.WaitIdle(20000));
    }
    ASSERT_EQ(failures.Count(), 1u);
    EXPECT_EQ(failures.reasons[0], L"неверный адрес");

    int closedPort = 0;
    {
        HttpReceiver gone({200});
        closedPort = std::stoi(std::string(brv::ToUtf8(gone.Url(L"")).substr(17)));
    }
    WebhookOptions o;
    o.url = L"http://127.0.0.1:" + std::to_wstring(closedPort) + L"/x";
    o.timeoutMs = 3000;
    o.onFailure = failures.Sink();
    Webhook webhook(o);
    webhook.Send(L"c");
    ASSERT_TRUE(webhook.WaitIdle(20000));
    ASSERT_EQ(failures.Count(), 2u);
    EXPECT_TRUE(failures.reasons[1].starts_with(L"ошибка ")) << brv::ToUtf8(failures.reasons[1]);
}

TEST(Webhook, GoingAwayWithARequestStuckInFlightDoesNotWaitForItsTimeout) {
    HttpReceiver receiver({0});
    Failures failures;
    ULONGLONG took = 0;
    {
        WebhookOptions o;
        o.url = receiver.Url(L"/hook");
        o.timeoutMs = 10000;
        o.stopWaitMs = 300;
        o.onFailure = failures.Sink();
        auto webhook = std::make_unique<Webhook>(o);
        webhook->Send(L"застрянет");
        for (int i = 0; i < 200 && receiver.Accepted() == 0; ++i) {
            Sleep(20);
        }
        const ULONGLONG before = GetTickCount64();
        webhook.reset();
        took = GetTickCount64() - before;
    }
    EXPECT_LT(took, 5000u);
    Sleep(200);
    EXPECT_EQ(failures.Count(), 0u) << "nothing is reported after the webhook is gone";
}
