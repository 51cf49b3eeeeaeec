#pragma once
// What the form's logic needs from the main window's controls. The window binds these to its real
// controls; native tests bind them to plain fakes, so the handlers run unchanged on both builds.
#include <string>

namespace brv {

class Control {
public:
    virtual ~Control() = default;
    virtual void Enable(bool on) = 0;
};

// An edit or the IP address field: its whole window text.
class TextField : public Control {
public:
    virtual std::wstring Text() const = 0;
    virtual void SetText(const std::wstring& text) = 0;
};

// A drop-down list or a list box. Sorted controls place an added entry themselves; Add returns where.
class ChoiceList : public Control {
public:
    virtual int Count() const = 0;
    virtual std::wstring TextAt(int i) const = 0; // empty outside the list
    virtual int Selection() const = 0;            // -1 when nothing is selected
    virtual void Select(int i) = 0;               // -1 clears the selection
    virtual int Add(const std::wstring& text) = 0;
    virtual void Remove(int i) = 0;
    virtual void Clear() = 0;

    // The selected entry's text, or empty when nothing is selected.
    std::wstring SelectedText() const {
        const int i = Selection();
        return i < 0 ? std::wstring() : TextAt(i);
    }
};

// The main window's controls by role (the ids are the template's).
struct Form {
    void* owner = nullptr; // the main window, owner of the form's message boxes

    TextField* serverName = nullptr;     // 1017
    TextField* rconPassword = nullptr;   // 1007
    TextField* ipAddress = nullptr;      // 1005
    TextField* port = nullptr;           // 1006
    TextField* playerCount = nullptr;    // 1010
    TextField* extraParams = nullptr;    // 1018
    TextField* gamePassword = nullptr;   // 1008
    TextField* consoleCommand = nullptr; // 1019

    ChoiceList* game = nullptr;           // 1011
    ChoiceList* serverType = nullptr;     // 1015
    ChoiceList* priority = nullptr;       // 1012
    ChoiceList* mapSource = nullptr;      // 1001
    ChoiceList* activeServer = nullptr;   // 1002
    ChoiceList* storedCommands = nullptr; // 1014
    ChoiceList* extraChoices = nullptr;   // 1009
    ChoiceList* startMap = nullptr;       // 1000
    ChoiceList* setmasters = nullptr;     // 1023

    Control* enterButton = nullptr;         // 1004
    Control* stopButton = nullptr;          // 1003
    Control* removeCommandButton = nullptr; // 1016
};

} // namespace brv
