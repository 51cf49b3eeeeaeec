#pragma once
// Plain stand-ins for the main window's controls, with the sorting that the real ones do.
#include "app/FormControls.h"

#include <algorithm>
#include <cwctype>
#include <string>
#include <vector>

namespace fake {

struct Field : brv::TextField {
    std::wstring text;
    bool enabled = true;
    void Enable(bool on) override { enabled = on; }
    std::wstring Text() const override { return text; }
    void SetText(const std::wstring& t) override { text = t; }
};

struct Button : brv::Control {
    bool enabled = true;
    void Enable(bool on) override { enabled = on; }
};

inline bool LessNoCase(const std::wstring& a, const std::wstring& b) {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](wchar_t x, wchar_t y) {
        return std::towlower(static_cast<wint_t>(x)) < std::towlower(static_cast<wint_t>(y));
    });
}

struct List : brv::ChoiceList {
    explicit List(bool sortedList = false) : sorted(sortedList) {}
    bool sorted;
    std::vector<std::wstring> items;
    int selection = -1;
    bool enabled = true;

    void Enable(bool on) override { enabled = on; }
    int Count() const override { return static_cast<int>(items.size()); }
    std::wstring TextAt(int i) const override {
        return i >= 0 && i < Count() ? items[static_cast<size_t>(i)] : std::wstring();
    }
    int Selection() const override { return selection; }
    void Select(int i) override { selection = i >= 0 && i < Count() ? i : -1; }
    int Add(const std::wstring& t) override {
        auto at = sorted ? std::upper_bound(items.begin(), items.end(), t, LessNoCase) : items.end();
        const int i = static_cast<int>(at - items.begin());
        items.insert(at, t);
        if (selection >= i) {
            ++selection;
        }
        return i;
    }
    void Remove(int i) override {
        items.erase(items.begin() + i);
        if (selection == i) {
            selection = -1;
        } else if (selection > i) {
            --selection;
        }
    }
    void Clear() override {
        items.clear();
        selection = -1;
    }
};

// A whole main window form, the fixed drop-downs holding their template entries.
struct FormFake {
    Field serverName, rcon, ip, port, players, extra, gamePassword, command;
    List game, serverType, priority, mapSource;
    List active{true}, stored{true}, choices{true}, startMap{true}, setmasters{true};
    Button enter, stop, removeCommand;
    brv::Form form;

    FormFake() {
        game.items = {L"Stormline", L"Stormline-Delta"};
        serverType.items = {L"Локальная сеть", L"Интернет"};
        priority.items = {L"Реального времени", L"Высокий", L"Нормальный"};
        mapSource.items = {L"Все карты", L"mapcycle.txt", L"maps.ini"};
        form.owner = reinterpret_cast<void*>(0x1234);
        form.serverName = &serverName;
        form.rconPassword = &rcon;
        form.ipAddress = &ip;
        form.port = &port;
        form.playerCount = &players;
        form.extraParams = &extra;
        form.gamePassword = &gamePassword;
        form.consoleCommand = &command;
        form.game = &game;
        form.serverType = &serverType;
        form.priority = &priority;
        form.mapSource = &mapSource;
        form.activeServer = &active;
        form.storedCommands = &stored;
        form.extraChoices = &choices;
        form.startMap = &startMap;
        form.setmasters = &setmasters;
        form.enterButton = &enter;
        form.stopButton = &stop;
        form.removeCommandButton = &removeCommand;
    }
    FormFake(const FormFake&) = delete;
};

} // namespace fake
