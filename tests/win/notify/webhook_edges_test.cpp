// What the webhook refuses to do with its notices: wander off through a redirect, count a "429" as lost
// instead of waiting it out, or send plain http anywhere but this machine. Receivers on 127.0.0.1 only.
#include "framework/Text.h"
#include "notify/Webhook_win.h"
#include "tests/win/notify/HttpReceiver.h"

#include <gtest/gtest.h>

using brv::Webhook;
using brv::WebhookOptions;
using brvtest::Failures;
using brvtest::HttpReceiver;

TEST(WebhookEdges, A429IsWaitedOutAsItsRetryAfterSaysAndTheNoticeArrivesOnce) {
    HttpReceiver receiver{{429, "Retry-After: 1\r\n"}, {200, ""}};
    Failures failures;
    WebhookOptions o;
    o.url = receiver.Url(L"/hooks/abc");
    o.onFailure = failures.Sink();
    Webhook webhook(o);
    webhook.Send(L"Brivan: Арена - 27015: Сервер упал.");
    ASSERT_TRUE(webhook.WaitIdle(20000));
    const auto times = receiver.Times();
    ASSERT_EQ(times.size(), 2u);
    EXPECT_GE(times[1] - times[0], 900u) << "resent only after the second it asked for";
    EXPECT_EQ(brvtest::BodyOf(receiver.Requests()[1]), brvtest::BodyOf(receiver.Requests()[0]));
    EXPECT_EQ(brvtest::BodyOf(receiver.Requests()[0]).substr(0, 9), "{\"text\":\"")
        << "a /hooks/ URL reads text";
    EXPECT_EQ(webhook.Sent(), 1u);
    EXPECT_EQ(webhook.Failed(), 0u);
    EXPECT_EQ(failures.Count(), 0u);
}

TEST(WebhookEdges, WaitingOutA429IsBoundedInTimesAndInLength) {
    Failures failures;
    {
        HttpReceiver receiver{{429, "Retry-After: 0\r\n"}};
        WebhookOptions o;
        o.url = receiver.Url(L"/x");
        o.maxHolds = 2;
        o.onFailure = failures.Sink();
        Webhook webhook(o);
        webhook.Send(L"a");
        ASSERT_TRUE(webhook.WaitIdle(20000));
        EXPECT_EQ(receiver.Requests().size(), 3u) << "the first try and two more";
        EXPECT_EQ(webhook.Failed(), 1u);
    }
    ASSERT_EQ(failures.Count(), 1u);
    EXPECT_EQ(failures.reasons[0], L"ответ HTTP 429");
    HttpReceiver receiver{{429, "Retry-After: Fri, 31 Dec 2100 23:59:59 GMT\r\n"}};
    WebhookOptions o;
    o.url = receiver.Url(L"/x");
    o.onFailure = failures.Sink();
    Webhook webhook(o);
    const ULONGLONG before = GetTickCount64();
    webhook.Send(L"b");
    ASSERT_TRUE(webhook.WaitIdle(20000));
    EXPECT_LT(GetTickCount64() - before, 10000u);
    EXPECT_EQ(receiver.Requests().size(), 1u);
    ASSERT_EQ(failures.Count(), 2u);
    EXPECT_TRUE(failures.reasons[1].starts_with(L"ответ HTTP 429, повтор не раньше чем через "));
}

TEST(WebhookEdges, ARedirectIsNotFollowedAndCountsAsAFailure) {
    HttpReceiver elsewhere({200});
    const std::string location = "Location: " + std::string(brv::ToUtf8(elsewhere.Url(L"/stolen"))) + "\r\n";
    HttpReceiver receiver{{302, location}, {307, location}};
    Failures failures;
    WebhookOptions o;
    o.url = receiver.Url(L"/hook");
    o.onFailure = failures.Sink();
    Webhook webhook(o);
    webhook.Send(L"a");
    webhook.Send(L"b");
    ASSERT_TRUE(webhook.WaitIdle(20000));
    Sleep(200);
    EXPECT_EQ(receiver.Requests().size(), 2u);
    EXPECT_EQ(elsewhere.Accepted(), 0);
    ASSERT_EQ(failures.Count(), 1u);
    EXPECT_EQ(failures.reasons[0], L"ответ HTTP 302");
    EXPECT_EQ(webhook.Failed(), 2u);
    EXPECT_EQ(webhook.Sent(), 0u);
}

TEST(WebhookEdges, PlainHttpToAnAddressNotOfThisMachineIsNeverSent) {
    // 0.0.0.0 is no loopback address, yet a connection to it would stay on this machine.
    HttpReceiver receiver({200});
    const std::wstring port = brv::FromUtf8(brv::ToUtf8(receiver.Url(L"")).substr(17));
    Failures failures;
    WebhookOptions o;
    o.url = L"http://0.0.0.0:" + port + L"/hook";
    o.onFailure = failures.Sink();
    Webhook webhook(o);
    webhook.Send(L"a");
    webhook.Send(L"b");
    ASSERT_TRUE(webhook.WaitIdle(20000));
    Sleep(200);
    EXPECT_EQ(receiver.Accepted(), 0);
    ASSERT_EQ(failures.Count(), 1u) << "journaled once";
    EXPECT_EQ(failures.reasons[0], brv::PlainHttpRefusedReason());
    EXPECT_EQ(webhook.Failed(), 2u);
}
