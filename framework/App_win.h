#pragma once
// The application object. wWinMain constructs the one application object and calls Run.
#include <windows.h>

namespace brv {

class Dialog;

class App {
public:
    virtual ~App() = default;

    // Runs InitInstance; when it returns false the program ends (the main dialog has already run its
    // modal loop inside it), otherwise a plain message loop runs until WM_QUIT. Returns the exit code.
    int Run();

    // The main window, for whoever needs it while InitInstance runs it.
    Dialog* MainWindow() const { return m_mainWindow; }
    void SetMainWindow(Dialog* dialog) { m_mainWindow = dialog; }

protected:
    virtual bool InitInstance() { return true; }
    virtual int ExitInstance() { return 0; }

private:
    Dialog* m_mainWindow = nullptr;
};

} // namespace brv
