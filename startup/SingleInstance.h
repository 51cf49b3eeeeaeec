#pragma once
// One Brivan per working directory. The first Brivan of a folder holds a named object derived from
// the folder (FolderKey.h) and, once its main window exists, publishes that window in it. A later
// Brivan of the same folder finds the object, asks the first to bring its main window to the front
// (the window may be hidden in the notification area, so it is told with a registered message rather
// than shown from outside) and ends. Brivans of different folders never meet.
// Any program of the user may create the object first, with any content: it is trusted only when the
// window it names answers as a Brivan. Otherwise this Brivan starts anyway and publishes itself.
#include <string>

namespace brv {

// The message the first Brivan's main window receives when a later one asks for it (wParam and
// lParam are 0). Its handler shows the window as a click on the notification-area icon does.
unsigned ShowMainWindowMessage();

// The message a Brivan's main window answers with kIAmBrivan (wParam and lParam are 0).
unsigned WhoIsMessage();
inline constexpr long kIAmBrivan = 0x42727631; // "Brv1"

// The name of the folder's object (any spelling of its path).
std::wstring FolderObjectName(const std::wstring& workDir);

// Shows a window in its normal state and brings it to the foreground.
void BringWindowForward(void* window);

class SingleInstance {
public:
    // Claims the folder (any spelling of its path). `waitMs` bounds the wait for a first Brivan that is
    // still starting (its window not yet published) or ending at this moment, and for an object whose
    // window does not answer as a Brivan: after it this one takes the folder.
    explicit SingleInstance(const std::wstring& workDir, unsigned waitMs = 5000);
    ~SingleInstance();
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    // True when this process is the folder's Brivan. Also true when the object could not be created
    // or its window does not answer as a Brivan: a Brivan that cannot tell is never kept from starting.
    bool IsFirst() const { return m_first; }

    // The first Brivan: the window that later ones bring forward (HWND), from when it exists.
    void Publish(void* mainWindow);

    // A later Brivan: asks the first, whose window has answered, to show its main window, waiting up to
    // `waitMs` for the request to be taken. True when the request was delivered.
    bool AskFirstToShow(unsigned waitMs = 5000) const;

private:
    void* m_mapping = nullptr;
    void* m_view = nullptr;
    void* m_window = nullptr; // published by this one
    bool m_first = true;
};

} // namespace brv
