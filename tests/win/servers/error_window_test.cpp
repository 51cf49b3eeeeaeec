// Error windows: closed on sight, whoever owns them, and never a reason for the watch to spin.
#include "ServerFixture.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

using namespace test;

namespace {

// A window of this test process with the given title, served by its own thread.
class OwnWindow {
public:
    explicit OwnWindow(const wchar_t* title) {
        m_thread = std::thread([this, title] {
            HWND w = CreateWindowExW(0, L"STATIC", title, WS_OVERLAPPED | WS_VISIBLE, 0, 0, 200, 100, nullptr,
                                     nullptr, nullptr, nullptr);
            m_window = w;
            MSG m;
            while (IsWindow(w) && GetMessageW(&m, nullptr, 0, 0) > 0) {
                if (m.message == WM_CLOSE && m.hwnd == w) {
                    DestroyWindow(w); // a static control ignores the close request of its own accord
                    continue;
                }
                DispatchMessageW(&m);
            }
            m_done = true;
        });
    }
    ~OwnWindow() {
        if (!m_done && m_window != nullptr) {
            PostMessageW(m_window, WM_CLOSE, 0, 0);
        }
        m_thread.join();
    }
    HWND Handle() const { return m_window; }
    bool Closed() const { return m_done; }

private:
    std::thread m_thread;
    std::atomic<HWND> m_window{nullptr};
    std::atomic<bool> m_done{false};
};

} // namespace

TEST(Supervision, UnrelatedFatalErrorWindowIsClosed) {
    Watch w;
    w.supervisor->Start();
    OwnWindow fatal(L"Fatal Error");
    OwnWindow other(L"Fatal Error (not ours)");
    ASSERT_TRUE(WaitFor([&] { return fatal.Handle() != nullptr && other.Handle() != nullptr; }));
    EXPECT_TRUE(WaitFor([&] { return fatal.Closed(); }));
    w.Passes(2);
    EXPECT_FALSE(other.Closed());
}

TEST(Supervision, WindowThatSurvivesItsCloseRequestDoesNotStopTheWatch) {
    Watch w;
    // Refuses every close request, for the whole test.
    std::atomic<HWND> stubborn{nullptr};
    std::atomic<int> asked{0};
    std::atomic<bool> quit{false};
    std::thread t([&] {
        HWND h = CreateWindowExW(0, L"STATIC", L"hlds.exe", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr,
                                 nullptr, nullptr);
        stubborn = h;
        MSG m;
        while (!quit) {
            while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
                if (m.message == WM_CLOSE) {
                    ++asked;
                } else {
                    DispatchMessageW(&m);
                }
            }
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
        }
        DestroyWindow(h);
    });
    ASSERT_TRUE(WaitFor([&] { return stubborn.load() != nullptr; }));
    brvRunSL s = w.Launch(L"Beside", 27153);
    w.supervisor->Start();
    ASSERT_TRUE(KillFromOutside(s.processId));
    EXPECT_TRUE(w.RestartedFrom(L"Beside - 27153", s.processId).has_value());
    w.Passes(4);
    // Asked again each pass, not thousands of times: the thread does not spin on it.
    EXPECT_GE(asked.load(), 2);
    EXPECT_LE(asked.load(), static_cast<int>(w.supervisor->Passes()) + 2);
    quit = true;
    t.join();
}
