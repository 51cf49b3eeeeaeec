// The notices' routing: the limiter in front of the balloon (handed to the window thread) and the
// webhook, balloons turned off by the settings, and a failing webhook journaled once.
#include "tests/win/notify/HttpReceiver.h"

#include "app/Notices_win.h"

#include <gtest/gtest.h>

#include <mutex>
#include <utility>

using brv::Notice;
using brv::NoticeKind;
using brvtest::BodyOf;
using brvtest::Failures;
using brvtest::HttpReceiver;

namespace {

bool WaitFor(const std::function<bool()>& done, int ms = 20000) {
    for (int waited = 0; !done(); waited += 20) {
        if (waited >= ms) {
            return false;
        }
        Sleep(20);
    }
    return true;
}

// What the window thread would be handed: balloons, counted.
struct Inbox {
    std::mutex mutex;
    int balloons = 0;
    brv::Notices::BalloonSink Sink() {
        return [this](const std::wstring& title, const std::wstring& text) {
            std::lock_guard<std::mutex> lock(mutex);
            balloons += !title.empty() && !text.empty();
        };
    }
    int TakeBalloons() {
        std::lock_guard<std::mutex> lock(mutex);
        return std::exchange(balloons, 0);
    }
};

} // namespace

TEST(Notices, OnePerServerPerMinuteReachesBothTheBalloonAndTheWebhookAndBalloonsCanBeTurnedOff) {
    HttpReceiver receiver({204});
    Inbox inbox;
    Failures failures;
    brv::Notices notices(inbox.Sink(), failures.Sink());
    notices.Apply({true, receiver.Url(L"/n")});
    notices.Offer({L"a", L"Арена - 27015", L"Сервер упал."}, NoticeKind::Event);
    notices.Offer({L"a", L"Арена - 27015", L"Снова упал."}, NoticeKind::Event); // the same minute
    notices.Offer({L"b", L"Другой - 27016", L"Закрыто окно ошибки."}, NoticeKind::Event);
    EXPECT_EQ(notices.Delivered(), 2u);
    EXPECT_EQ(inbox.TakeBalloons(), 2);
    ASSERT_TRUE(WaitFor([&] { return receiver.Requests().size() == 2; }));
    const std::string text =
        "\"Brivan: \xD0\x90\xD1\x80\xD0\xB5\xD0\xBD\xD0\xB0 - 27015: "
        "\xD0\xA1\xD0\xB5\xD1\x80\xD0\xB2\xD0\xB5\xD1\x80 \xD1\x83\xD0\xBF\xD0\xB0\xD0\xBB.\"";
    EXPECT_EQ(BodyOf(receiver.Requests()[0]), "{\"content\":" + text + ",\"text\":" + text + "}");

    // A crash loop of the first server: its start waits for the minute, then comes out of Tick.
    notices.Offer({L"a", L"Арена - 27015", L"Падает сразу после запуска."}, NoticeKind::LoopStart);
    notices.Tick();
    EXPECT_EQ(notices.Delivered(), 2u);

    notices.Apply({false, receiver.Url(L"/n")});
    notices.Offer({L"c", L"Третий - 27017", L"Сервер упал."}, NoticeKind::Event);
    EXPECT_EQ(notices.Delivered(), 3u);
    EXPECT_EQ(inbox.TakeBalloons(), 0); // off: the webhook alone
    ASSERT_TRUE(WaitFor([&] { return receiver.Requests().size() == 3; }));
    EXPECT_TRUE(WaitFor([&] { return notices.Sent() == 3; }));
    EXPECT_EQ(notices.Failed(), 0u);
    EXPECT_EQ(failures.Count(), 0u);
}

TEST(Notices, AFailingWebhookIsJournaledOnceAndAnEmptyUrlEndsIt) {
    HttpReceiver receiver({500});
    Inbox inbox;
    Failures failures;
    brv::Notices notices(inbox.Sink(), failures.Sink());
    notices.Apply({true, receiver.Url(L"/n")});
    for (const wchar_t* key : {L"a", L"b", L"c"}) {
        notices.Offer({key, key, L"Сервер упал."}, NoticeKind::Event);
    }
    ASSERT_TRUE(WaitFor([&] { return receiver.Requests().size() == 3; }));
    Sleep(200);
    EXPECT_EQ(failures.Count(), 1u);
    EXPECT_EQ(notices.Failed(), 3u);
    notices.Apply({true, L""});
    notices.Offer({L"d", L"d", L"Сервер упал."}, NoticeKind::Event);
    Sleep(300);
    EXPECT_EQ(receiver.Requests().size(), 3u);
    EXPECT_EQ(notices.Failed(), 3u) << "the count outlives the webhook";
    EXPECT_EQ(notices.Sent(), 0u);
    EXPECT_EQ(inbox.TakeBalloons(), 4);
}
