// Where the webhook may send (plain http only to this machine), which body the URL's service reads, and
// how long a "429" asks to wait.
#include "notify/RetryAfter.h"
#include "notify/WebhookBody.h"
#include "notify/WebhookUrl.h"

#include <gtest/gtest.h>

using brv::UrlVerdict;
using brv::WebhookService;
using brv::WebhookServiceOf;
using brv::WebhookUrlVerdict;

TEST(WebhookUrl, PlainHttpOnlyToALoopbackHostAndHttpsAnywhere) {
    EXPECT_EQ(WebhookUrlVerdict(L"http://127.0.0.1:8080/hook"), UrlVerdict::Allowed);
    EXPECT_EQ(WebhookUrlVerdict(L"HTTP://127.0.0.2/hook"), UrlVerdict::Allowed);
    EXPECT_EQ(WebhookUrlVerdict(L"http://LocalHost:9/x"), UrlVerdict::Allowed);
    EXPECT_EQ(WebhookUrlVerdict(L"http://[::1]:80/x"), UrlVerdict::Allowed);
    EXPECT_EQ(WebhookUrlVerdict(L"https://discord.com/api/webhooks/1/t"), UrlVerdict::Allowed);
    EXPECT_EQ(WebhookUrlVerdict(L"https://10.0.0.5/x"), UrlVerdict::Allowed);
    for (const wchar_t* away :
         {L"http://discord.com/api/webhooks/1/t", L"http://10.0.0.5/hook", L"http://127.0.0.1.example.org/x",
          L"http://127.0.0.1@example.org/x", L"http://user:pw@192.168.1.2:8080/", L"http://1270.0.0.1/",
          L"http://127.0.0/", L"http://[::ffff:10.0.0.1]/", L"http://localhost.example.org/"}) {
        EXPECT_EQ(WebhookUrlVerdict(away), UrlVerdict::PlainHttpAway) << brv::SplitUrl(away).host.size();
    }
    EXPECT_EQ(WebhookUrlVerdict(L"ftp://127.0.0.1/x"), UrlVerdict::NotHttp);
    EXPECT_EQ(WebhookUrlVerdict(L"http:///x"), UrlVerdict::NotHttp);
    // A backslash cannot smuggle another host behind a loopback one.
    EXPECT_EQ(brv::SplitUrl(L"http://127.0.0.1\\@example.org/").host, L"127.0.0.1");
}

TEST(WebhookUrl, TheBodyFollowsTheServiceTheUrlNames) {
    EXPECT_EQ(WebhookServiceOf(L"https://discord.com/api/webhooks/123/abc"), WebhookService::Discord);
    EXPECT_EQ(WebhookServiceOf(L"https://ptb.discordapp.com/api/webhooks/1/a?wait=true"),
              WebhookService::Discord);
    EXPECT_EQ(WebhookServiceOf(L"https://hooks.slack.com/services/T0/B0/x"), WebhookService::Slack);
    EXPECT_EQ(WebhookServiceOf(L"https://chat.example.org/hooks/abc123"), WebhookService::Slack);
    EXPECT_EQ(WebhookServiceOf(L"https://discord.com.example.org/api/webhooks/1/a"), WebhookService::Unknown);
    EXPECT_EQ(WebhookServiceOf(L"https://discord.com/other/1"), WebhookService::Unknown);
    EXPECT_EQ(WebhookServiceOf(L"http://127.0.0.1:8080/n"), WebhookService::Unknown);

    EXPECT_EQ(brv::WebhookBody(L"a\"b", WebhookService::Discord), "{\"content\":\"a\\\"b\"}");
    EXPECT_EQ(brv::WebhookBody(L"a\"b", WebhookService::Slack), "{\"text\":\"a\\\"b\"}");
    EXPECT_EQ(brv::WebhookBody(L"a\"b", WebhookService::Unknown),
              "{\"content\":\"a\\\"b\",\"text\":\"a\\\"b\"}");
}

TEST(RetryAfter, SecondsOrAnHttpDateInAnyOfItsThreeForms) {
    const int64_t now = brv::UnixSecondsOf(1994, 11, 6, 8, 49, 30);
    EXPECT_EQ(brv::UnixSecondsOf(1970, 1, 1, 0, 0, 0), 0);
    EXPECT_EQ(brv::UnixSecondsOf(2000, 3, 1, 0, 0, 0), 951868800);
    EXPECT_EQ(brv::RetryAfterSeconds(L"1", now), 1u);
    EXPECT_EQ(brv::RetryAfterSeconds(L" 120 ", now), 120u);
    EXPECT_EQ(brv::RetryAfterSeconds(L"99999999999999999999", now), 999999999u);
    EXPECT_EQ(brv::RetryAfterSeconds(L"Sun, 06 Nov 1994 08:49:37 GMT", now), 7u);
    EXPECT_EQ(brv::RetryAfterSeconds(L"Sunday, 06-Nov-94 08:49:37 GMT", now), 7u);
    EXPECT_EQ(brv::RetryAfterSeconds(L"Sun Nov  6 08:49:37 1994", now), 7u);
    EXPECT_EQ(brv::RetryAfterSeconds(L"Sat, 05 Nov 1994 08:49:37 GMT", now), 0u) << "a date gone by";
    EXPECT_EQ(brv::RetryAfterSeconds(L"Thu, 01 Jan 2026 00:00:01 GMT",
                                     brv::UnixSecondsOf(2025, 12, 31, 23, 59, 59)),
              2u);
    for (const wchar_t* bad :
         {L"", L"-5", L"1.5", L"soon", L"Sun, 06 Nov 1994 GMT", L"Sun, 32 Nov 1994 08:49:37 GMT",
          L"Sun, 06 Foo 1994 08:49:37 GMT", L"Sun, 06 Nov 1994 25:49:37 GMT"}) {
        EXPECT_FALSE(brv::RetryAfterSeconds(bad, now).has_value())
            << static_cast<int>(std::wstring(bad).size());
    }
}
