#pragma once
// One Brivan per working directory. The first Brivan of a folder holds a named object derived from
// the folder (FolderKey.h) and, once its main window exists, publishes that window in it. A later
// Brivan of the same folder finds the object, asks the first to bring its main window to the front
// (the window may be hidden in the notification area, so it is told with a registered message rather
// than shown from outside) and ends. Brivans of different folders never meet.
#include <string>

namespace brv {

// The message the first Brivan's main window receives when a later one asks for it (wParam and
// lParam are 0). Its handler shows the window as a click on the notification-area icon does.
unsigned ShowMainWindowMessage();

// Shows a window in its normal state and brings it to the foreground.
void BringWindowForward(void* window);

class SingleInstance {
public:
    // Claims the folder (any spelling of its path). `waitMs` bounds the wait for a first Brivan that is
    // ending at this moment, after which this one takes its place.
    explicit SingleInstance(const std::wstring& workDir, unsigned waitMs = 3000);
    ~SingleInstance();
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    // True when this process is the folder's Brivan. Also true when the object could not be created
    // at all: a Brivan that cannot tell is never kept from starting.
    bool IsFirst() const { return m_first; }

    // The first Brivan: the window that later ones bring forward (HWND), from when it exists.
    void Publish(void* mainWindow);

    // A later Brivan: asks the first to show its main window, waiting up to `waitMs` for a first one
    // still starting to publish it. True when the request was delivered.
    bool AskFirstToShow(unsigned waitMs = 5000) const;

private:
    void* m_mapping = nullptr;
    void* m_view = nullptr;
    bool m_first = true;
};

} // namespace brv
