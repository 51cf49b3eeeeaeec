#pragma once
// What logic needs from a window's controls, apart from the platform: the windows bind these to their
// real controls, native tests to plain fakes, so the same handlers run on both builds.
#include <string>
#include <vector>

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
    // Adds every entry, as Add would one by one; a real control does it in one go.
    virtual void AddAll(const std::vector<std::wstring>& texts) {
        for (const std::wstring& t : texts) {
            Add(t);
        }
    }

    // The selected entry's text, or empty when nothing is selected.
    std::wstring SelectedText() const {
        const int i = Selection();
        return i < 0 ? std::wstring() : TextAt(i);
    }
};

} // namespace brv
