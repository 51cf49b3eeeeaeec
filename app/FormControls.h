#pragma once
// The main window's controls (template 102), listed once. MainControls declares one field per control
// in the control cache's order; ForEachMainControl is the one table that pairs each field with its
// control id. The cache binds its controls from that table, and the form's logic gets a view made from
// it (MakeForm), on the real controls or on a test's fakes alike.
#include "framework/ControlViews.h"
#include "res/resource.h"

namespace brv {

enum class ControlKind { Edit, Address, DropDown, ListBox, Button };

// "Выход" carries the cancel id (IDCANCEL), so a close request of the window is a click on it.
inline constexpr int kExitButtonId = 2;

// `Slot<kind>` is what a field holds: a pointer to a view in the form, a bound control in the cache.
template <template <ControlKind> class Slot> struct MainControls {
    Slot<ControlKind::Edit> serverName{};
    Slot<ControlKind::Edit> rconPassword{};
    Slot<ControlKind::Address> ipAddress{};
    Slot<ControlKind::Edit> port{};
    Slot<ControlKind::Edit> playerCount{};
    Slot<ControlKind::Edit> extraParams{};
    Slot<ControlKind::Edit> gamePassword{};
    Slot<ControlKind::Edit> consoleCommand{};
    Slot<ControlKind::DropDown> game{};
    Slot<ControlKind::DropDown> serverType{};
    Slot<ControlKind::DropDown> priority{};
    Slot<ControlKind::DropDown> mapSource{};
    Slot<ControlKind::DropDown> activeServer{};
    Slot<ControlKind::DropDown> storedCommands{};
    Slot<ControlKind::DropDown> extraChoices{};
    Slot<ControlKind::DropDown> startMap{};
    Slot<ControlKind::Button> enterButton{};
    Slot<ControlKind::Button> stopButton{};
    Slot<ControlKind::Button> removeCommandButton{};
    Slot<ControlKind::Button> exitButton{};
    Slot<ControlKind::Button> startButton{};
    Slot<ControlKind::Button> mapEditorButton{};
    Slot<ControlKind::Button> addSetmasterButton{};
    Slot<ControlKind::Button> editSetmasterButton{};
    Slot<ControlKind::Button> removeSetmasterButton{};
    Slot<ControlKind::ListBox> setmasters{};
};

// Calls f(id, field of each set...) for every control, in field order.
template <class F, class... Sets> constexpr void ForEachMainControl(F&& f, Sets&... sets) {
    f(IDC_SERVER_NAME, sets.serverName...);
    f(IDC_RCON_PASSWORD, sets.rconPassword...);
    f(IDC_IP_ADDRESS, sets.ipAddress...);
    f(IDC_PORT, sets.port...);
    f(IDC_PLAYER_COUNT, sets.playerCount...);
    f(IDC_EXTRA_PARAMS, sets.extraParams...);
    f(IDC_GAME_PASSWORD, sets.gamePassword...);
    f(IDC_CONSOLE_COMMAND, sets.consoleCommand...);
    f(IDC_GAME, sets.game...);
    f(IDC_SERVER_TYPE, sets.serverType...);
    f(IDC_PRIORITY, sets.priority...);
    f(IDC_MAP_SOURCE, sets.mapSource...);
    f(IDC_ACTIVE_SERVER, sets.activeServer...);
    f(IDC_STORED_COMMANDS, sets.storedCommands...);
    f(IDC_EXTRA_CHOICES, sets.extraChoices...);
    f(IDC_START_MAP, sets.startMap...);
    f(IDC_ENTER, sets.enterButton...);
    f(IDC_STOP_SERVER, sets.stopButton...);
    f(IDC_REMOVE_COMMAND, sets.removeCommandButton...);
    f(kExitButtonId, sets.exitButton...);
    f(IDC_START, sets.startButton...);
    f(IDC_MAP_EDITOR, sets.mapEditorButton...);
    f(IDC_ADD_SETMASTER, sets.addSetmasterButton...);
    f(IDC_EDIT_SETMASTER, sets.editSetmasterButton...);
    f(IDC_REMOVE_SETMASTER, sets.removeSetmasterButton...);
    f(IDC_SETMASTER_LIST, sets.setmasters...);
}

// What the form's logic sees of a control.
template <ControlKind K> struct ViewOfKind { using type = Control*; };
template <> struct ViewOfKind<ControlKind::Edit> { using type = TextField*; };
template <> struct ViewOfKind<ControlKind::Address> { using type = TextField*; };
template <> struct ViewOfKind<ControlKind::DropDown> { using type = ChoiceList*; };
template <> struct ViewOfKind<ControlKind::ListBox> { using type = ChoiceList*; };
template <ControlKind K> using ControlView = typename ViewOfKind<K>::type;

// The main window's controls as the form's logic sees them.
struct Form : MainControls<ControlView> {
    void* owner = nullptr; // the main window, owner of the form's message boxes
};

// The view of a set of controls made from the table.
template <template <ControlKind> class Slot> Form MakeForm(MainControls<Slot>& controls, void* owner) {
    Form form;
    form.owner = owner;
    MainControls<ControlView>& views = form;
    ForEachMainControl([](int, auto& view, auto& control) { view = &control; }, views, controls);
    return form;
}

namespace detail {
template <ControlKind> using Mark = char;
// Every field of MainControls is in the table exactly once, each with an id of its own.
constexpr bool TableCoversEveryFieldOnce() {
    MainControls<Mark> marks{};
    constexpr int kFields = static_cast<int>(sizeof(MainControls<Mark>));
    int ids[kFields] = {};
    int visits = 0;
    bool twice = false;
    ForEachMainControl(
        [&](int id, char& mark) {
            twice = twice || mark != 0;
            mark = 1;
            for (int i = 0; i < visits && i < kFields; ++i) {
                twice = twice || ids[i] == id;
            }
            if (visits < kFields) {
                ids[visits] = id;
            }
            ++visits;
        },
        marks);
    return !twice && visits == kFields;
}
static_assert(TableCoversEveryFieldOnce(), "ForEachMainControl must list every field of MainControls once");
} // namespace detail

} // namespace brv
