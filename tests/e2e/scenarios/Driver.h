#pragma once
// Drives the real Brivan.exe from outside, as an operator would: a fresh working directory with the
// stand-in server and two games, the main window's controls by id, message boxes answered by button.
#include <windows.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace e2e {

// Polls `done` until it holds or `ms` pass. Generous bounds: the machine is small and busy.
bool WaitFor(const std::function<bool()>& done, unsigned ms = 20000);

std::string Utf8(const std::wstring& text);
// A Unix path from the build (a compile definition) as a Windows path on Wine's Z: drive.
std::wstring FromUnixPath(const char* path);

// A temporary working directory: hlds.exe (the stand-in), "stormline" and "sdelta" with server.cfg,
// maps, mapcycle.txt and maps.ini. Removed when the scenario ends.
class WorkDir {
public:
    explicit WorkDir(bool withServer = true);
    ~WorkDir();
    WorkDir(const WorkDir&) = delete;

    const std::wstring& Path() const { return m_path; }
    std::wstring Full(const std::wstring& rel) const { return m_path + L"\\" + rel; }
    bool Exists(const std::wstring& rel) const;
    std::string Read(const std::wstring& rel) const; // bytes; empty when missing
    void Write(const std::wstring& rel, const std::string& bytes) const;
    DWORD Attributes(const std::wstring& rel) const;

    // The profile's lines under one section header, decoded from UTF-16LE.
    std::vector<std::wstring> ProfileSection(const std::wstring& header) const;
    // Rewrites the profile with one section's lines replaced (UTF-16LE, CR LF, hidden and system).
    void ReplaceProfileSection(const std::wstring& header, const std::vector<std::wstring>& lines) const;

    struct LogLine {
        std::string event;
        uint32_t pid = 0;
        std::string detail;
    };
    // The stand-in's standin.log, parsed.
    std::vector<LogLine> StandinLog() const;
    std::vector<LogLine> StandinEvents(const std::string& event) const;

private:
    std::wstring m_path;
};

struct MessageBoxSeen {
    HWND hwnd = nullptr;
    std::wstring caption;
    std::wstring text;
};

class Brivan {
public:
    explicit Brivan(const WorkDir& dir);
    ~Brivan(); // ends the program and every stand-in server still running from the directory
    Brivan(const Brivan&) = delete;

    bool Start();
    // The main window, once it is visible; null when it did not come.
    HWND WaitMainWindow(unsigned ms = 30000);
    HWND Main() const { return m_main; }
    DWORD Pid() const { return m_pi.dwProcessId; }
    bool WaitExit(unsigned ms = 30000);
    bool Running() const;

    HWND Item(int id) const { return GetDlgItem(m_main, id); }
    std::wstring Text(int id) const { return WindowText(Item(id)); }
    void SetText(int id, const std::wstring& text) const;
    bool Enabled(int id) const { return IsWindowEnabled(Item(id)) != FALSE; }
    // A click as the button reports it: posted, so a message box it opens never blocks the driver.
    void Click(int id) const { Click(m_main, id); }
    static void Click(HWND dialog, int id);
    // A selection by the operator: the drop-down's selection, then its notification.
    void Choose(int comboId, int index) const;
    void ChooseListEntry(int listId, int index) const; // list box, no notification needed

    std::vector<std::wstring> ComboItems(int id) const;
    int ComboSelection(int id) const;
    std::vector<std::wstring> ListItems(int id) const;
    int ListSelection(int id) const;

    // The address shown in the IP address field (its four parts).
    std::wstring IpText() const;
    void SetIp(const std::wstring& dotted) const;

    // A message box of the program (class #32770 with the static 0xFFFF).
    std::optional<MessageBoxSeen> WaitMessageBox(unsigned ms = 20000) const;
    bool MessageBoxOpen() const;
    static void Answer(const MessageBoxSeen& box, int buttonId);
    // A dialog of the program by caption.
    HWND WaitDialog(const std::wstring& caption, unsigned ms = 20000) const;

    static std::wstring WindowText(HWND hwnd);

private:
    std::vector<HWND> TopWindows() const;

    const WorkDir& m_dir;
    PROCESS_INFORMATION m_pi{};
    HWND m_main = nullptr;
};

// The visible top-level window with this exact title, or null.
HWND FindTopWindow(const std::wstring& title);
// Whether any window (any process) with this title is visible.
bool TitleVisible(const std::wstring& title);
// Ends a process by id from outside (a crash as the watchdog sees it).
bool KillProcess(uint32_t pid);
bool ProcessAlive(uint32_t pid);

// This machine's first address, as the program's address lookup finds it.
std::wstring LocalAddress();

// Saves a picture of a window (null: the whole screen) into the screenshot folder named by the
// environment variable BRIVAN_SCREENSHOTS, when it is set.
void Screenshot(HWND hwnd, const std::string& name);

} // namespace e2e
