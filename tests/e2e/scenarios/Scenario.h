#pragma once
// One scenario's program and working directory, with the steps most scenarios share.
#include "tests/driver/Driver.h"

#include <gtest/gtest.h>

namespace e2e {

inline constexpr const wchar_t* kMainCaption =
    L"Запуск сервера SL 1.6 в консольном режиме + слежение за падением v3.0";

class Scenario : public ::testing::Test {
protected:
    WorkDir dir;
    Brivan app{dir};

    // Starts the program and waits for its main window; servers then bind the loopback address only.
    void Open(bool loopback = true) {
        ASSERT_TRUE(app.Start());
        ASSERT_NE(app.WaitMainWindow(), nullptr) << "no main window";
        if (loopback) {
            ASSERT_TRUE(app.UseLoopback()) << Utf8(app.IpText());
        }
    }

    std::wstring Title(const std::wstring& port) const { return app.Text(1017) + L" - " + port; }

    // Start with the form as it is; waits for the active server list to reach `servers` entries.
    void StartServer(int servers) {
        // Nothing may reach another address, this machine's own included.
        ASSERT_EQ(app.IpText(), kLoopback) << "a server would start on another address";
        app.Click(1013);
        if (!WaitFor([&] { return static_cast<int>(app.ComboItems(1002).size()) == servers; })) {
            const auto box = app.WaitMessageBox(0);
            FAIL() << "the server did not come up"
                   << (box ? "; message box: " + Utf8(box->caption) + ": " + Utf8(box->text) : std::string());
        }
    }

    // Answers the next message box, checking its text and caption.
    void ExpectBox(const std::wstring& caption, const std::wstring& text, int answer = 1,
                   const char* shot = nullptr) {
        const auto box = app.WaitMessageBox();
        ASSERT_TRUE(box.has_value()) << "no message box: " << Utf8(caption);
        if (shot) {
            Screenshot(box->hwnd, shot);
        }
        EXPECT_EQ(Utf8(box->caption), Utf8(caption));
        EXPECT_EQ(Utf8(box->text), Utf8(text));
        Brivan::Answer(*box, answer);
    }

    // "Выход", confirmed when servers run; the program must end.
    void Exit() {
        const bool servers = !app.ComboItems(1002).empty();
        app.Click(2);
        if (servers) {
            ExpectBox(L"Запрос на выход", L"\n Вы действительно хотите выйти и закрыть все серверы?", IDYES);
        }
        EXPECT_TRUE(app.WaitExit()) << "the program did not end";
    }

    std::vector<WorkDir::LogLine> Starts() const { return dir.StandinEvents("start"); }
    // The first start of the server on this port: servers started one after another may log their
    // starts in either order.
    WorkDir::LogLine StartOn(int port) const {
        const std::string option = "+port " + std::to_string(port) + " ";
        for (const auto& s : Starts()) {
            if (s.detail.find(option) != std::string::npos) {
                return s;
            }
        }
        return {};
    }
};

} // namespace e2e
