// A button that is disabled while it holds the keyboard focus hands the focus on first: the main
// window must take keys after the last stored command is removed and after the last server stops.
#include "Scenario.h"
#include "WindowProbe.h"

using namespace e2e;

class Focus : public Scenario {
protected:
    // Asked again until it is taken: the window manager may still be activating a console that
    // appeared a moment ago, and then lets the first request go.
    void FocusOn(int id) {
        int asked = 0;
        ASSERT_TRUE(WaitFor([&] {
            if (FocusOfThreadOf(app.Main()) == app.Item(id)) {
                return true;
            }
            if (asked++ % 10 == 0) {
                FocusControl(app.Main(), app.Item(id));
            }
            return false;
        })) << "no focus on "
            << id;
    }
    // The focus is on an enabled control of the main window once the operator turns to it. Another
    // window may have been activated meanwhile (the stopped server's console closing hands the
    // activation to whatever window the window manager picks, a window of another program included):
    // the main window is then activated again, as a click on it would, and must still take keys.
    void ExpectUsableFocus(const char* after) {
        HWND focus = nullptr;
        int asked = 0;
        EXPECT_TRUE(WaitFor([&] {
            focus = FocusOfThreadOf(app.Main());
            if (GetForegroundWindow() != app.Main() && asked++ % 10 == 0) {
                SetForegroundWindow(app.Main());
            }
            return focus && IsChild(app.Main(), focus) && IsWindowEnabled(focus);
        })) << "after "
            << after << " the focus is on " << (focus ? GetDlgCtrlID(focus) : 0)
            << (focus && !IsWindowEnabled(focus) ? " (disabled)" : "");
    }
};

TEST_F(Focus, RemovingTheLastCommandAndStoppingTheLastServerLeaveTheKeyboardUsable) {
    Open();
    app.SetText(1006, L"27432"); // a port of its own: other test runs on this machine use 27015
    StartServer(1);
    ASSERT_TRUE(app.Enabled(1016));
    FocusOn(1016);
    for (int left = 4; left > 0; --left) {
        app.Click(1016);
        ASSERT_TRUE(WaitFor([&] { return static_cast<int>(app.ComboItems(1014).size()) == left - 1; }));
    }
    ASSERT_TRUE(WaitFor([&] { return !app.Enabled(1016); }));
    ExpectUsableFocus("removing the last stored command");

    FocusOn(1003);
    app.Click(1003);
    ExpectBox(L"Запрос на остановку сервера", L"\n Вы действительно хотите закрыть сервер?", IDYES);
    ASSERT_TRUE(WaitFor([&] { return app.ComboItems(1002).empty() && !app.Enabled(1003); }));
    ExpectUsableFocus("stopping the last server");
    Exit();
}
