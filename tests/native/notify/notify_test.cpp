#include "notify/NotifyLimiter.h"
#include "notify/NotifyTexts.h"
#include "notify/WebhookBody.h"

#include <gtest/gtest.h>

using namespace brv;

namespace {

constexpr uint64_t kSecond = 1000;

Notice For(const std::wstring& key, const std::wstring& text) {
    return Notice{key, key, text};
}

} // namespace

TEST(NotifyLimiter, AtMostOneNoticePerServerPerMinute) {
    NotifyLimiter limiter;
    uint64_t now = 5000 * kSecond;
    EXPECT_TRUE(limiter.Offer(For(L"A", L"упал"), NoticeKind::Event, now));
    EXPECT_FALSE(limiter.Offer(For(L"A", L"окно"), NoticeKind::Event, now + 1));
    EXPECT_FALSE(limiter.Offer(For(L"A", L"упал"), NoticeKind::Event, now + 59 * kSecond));
    EXPECT_TRUE(limiter.Offer(For(L"B", L"упал"), NoticeKind::Event, now + 1)) << "servers are limited apart";
    EXPECT_TRUE(limiter.Offer(For(L"A", L"упал"), NoticeKind::Event, now + 60 * kSecond));
    EXPECT_TRUE(limiter.TakeDue(now + 61 * kSecond).empty()) << "dropped events never come back";
}

TEST(NotifyLimiter, ACrashLoopGivesOneNoticeWhenItStartsAndOneWhenItEndsNeverOnePerRestart) {
    NotifyLimiter limiter;
    uint64_t now = 0;
    int shown = 0;
    // Three quick crashes, then the loop: a restart every few seconds for ten minutes.
    for (int i = 0; i < 3; ++i, now += kSecond) {
        shown += limiter.Offer(For(L"A", L"упал"), NoticeKind::Event, now);
    }
    EXPECT_EQ(shown, 1);
    EXPECT_FALSE(limiter.Offer(For(L"A", L"цикл"), NoticeKind::LoopStart, now))
        << "inside the minute: it waits";
    EXPECT_EQ(limiter.NextDueIn(now), 57 * kSecond);
    for (uint64_t end = now + 600 * kSecond; now < end; now += 5 * kSecond) {
        EXPECT_FALSE(limiter.Offer(For(L"A", L"упал"), NoticeKind::Event, now));
        for (const Notice& n : limiter.TakeDue(now)) {
            EXPECT_EQ(n.text, L"цикл");
            ++shown;
        }
    }
    EXPECT_EQ(shown, 2) << "the crash, then the loop once its minute was over";
    EXPECT_FALSE(limiter.Offer(For(L"A", L"цикл"), NoticeKind::LoopStart, now)) << "a loop starts once";
    EXPECT_TRUE(limiter.Offer(For(L"A", L"снова работает"), NoticeKind::LoopEnd, now));
    EXPECT_FALSE(limiter.Offer(For(L"A", L"снова работает"), NoticeKind::LoopEnd, now + 120 * kSecond));
    EXPECT_TRUE(limiter.Offer(For(L"A", L"упал"), NoticeKind::Event, now + 120 * kSecond))
        << "out of the loop";
}

TEST(NotifyLimiter, AnEndThatComesWhileTheStartWaitsTakesItsPlace) {
    NotifyLimiter limiter;
    EXPECT_TRUE(limiter.Offer(For(L"A", L"упал"), NoticeKind::Event, 0));
    EXPECT_FALSE(limiter.Offer(For(L"A", L"цикл"), NoticeKind::LoopStart, kSecond));
    EXPECT_FALSE(limiter.Offer(For(L"A", L"конец"), NoticeKind::LoopEnd, 2 * kSecond));
    const auto due = limiter.TakeDue(60 * kSecond);
    ASSERT_EQ(due.size(), 1u);
    EXPECT_EQ(due[0].text, L"конец");
    EXPECT_FALSE(limiter.NextDueIn(60 * kSecond).has_value());
}

TEST(NotifyLimiter, StopForgetsTheLoopAndItsWaitingNotice) {
    NotifyLimiter limiter;
    limiter.Offer(For(L"A", L"упал"), NoticeKind::Event, 0);
    limiter.Offer(For(L"A", L"цикл"), NoticeKind::LoopStart, kSecond);
    limiter.Forget(L"A");
    EXPECT_TRUE(limiter.TakeDue(120 * kSecond).empty());
    EXPECT_TRUE(limiter.Offer(For(L"A", L"упал"), NoticeKind::Event, 2 * kSecond));
}

TEST(WebhookBody, ContentIsOneProperlyEscapedJsonStringInUtf8) {
    EXPECT_EQ(WebhookBody(L"Арена", brv::WebhookService::Discord),
              "{\"content\":\"\xD0\x90\xD1\x80\xD0\xB5\xD0\xBD\xD0\xB0\"}");
    EXPECT_EQ(WebhookBody(L"say \"hi\" C:\\hlds\r\n\t\x01\x1f\x7f end", brv::WebhookService::Discord),
              "{\"content\":\"say \\\"hi\\\" C:\\\\hlds\\r\\n\\t\\u0001\\u001f\\u007f end\"}");
    EXPECT_EQ(JsonString(L"</script>"), "\"</script>\"");
    std::wstring lone;
    lone.push_back(static_cast<wchar_t>(0xD800));
    EXPECT_EQ(JsonString(L"a" + lone + L"b"), "\"a\xEF\xBF\xBD"
                                              "b\"");
}

TEST(WebhookBody, ALongMessageIsCutToWhatChatServicesAccept) {
    const std::string body = WebhookBody(std::wstring(5000, L'я'), brv::WebhookService::Discord);
    // 1899 letters of two bytes, the ellipsis of three, the frame of 14.
    EXPECT_EQ(body.size(), 1899u * 2 + 3 + 14);
    EXPECT_EQ(body.substr(body.size() - 5), "\xE2\x80\xA6\"}");
}

TEST(NotifyTexts, BalloonLinesPutEachSentenceOnALineOfItsOwn) {
    EXPECT_EQ(BalloonLines(ExitNoticeText(0xC0000005)),
              L"Сервер упал, код 0xC0000005 (ACCESS_VIOLATION).\nПерезапускается.");
    EXPECT_EQ(BalloonLines(L"Версия 5. 1 и т. д. Конец."), L"Версия 5. 1 и т. д.\nКонец.");
    EXPECT_EQ(BalloonLines(L""), L"");
    EXPECT_EQ(BalloonLines(L"Одна."), L"Одна.");
}

TEST(NotifyTexts, FitTextNeverSplitsASurrogatePair) {
    EXPECT_EQ(FitText(L"abc", 3), L"abc");
    EXPECT_EQ(FitText(L"abcd", 3), L"ab…");
    std::wstring pair;
    pair.push_back(static_cast<wchar_t>(0xD83D));
    pair.push_back(static_cast<wchar_t>(0xDE00));
    EXPECT_EQ(FitText(L"a" + pair + L"bc", 3), L"a…");
    EXPECT_EQ(FitText(L"abc", 0), L"");
    EXPECT_EQ(FitText(std::wstring(300, L'x'), kBalloonTextChars).size(), kBalloonTextChars);
}
