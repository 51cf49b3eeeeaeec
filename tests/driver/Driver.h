#pragma once
// Drives the real Brivan.exe from outside, as an operator would: a working directory with the stand-in
// server, the main window's controls by id, message boxes answered by button, the servers' windows and
// processes watched. One library for the end-to-end scenarios, the soak, the fault cases and the
// benchmark probe.
#include "standin/StandinProtocol.h"

#include <windows.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace e2e {

// Polls `done` every `stepMs` until it holds or `ms` pass. Generous bounds: the machine is small and busy.
bool WaitFor(const std::function<bool()>& done, unsigned ms = 20000, unsigned stepMs = 20);
// A steady clock in milliseconds, for figures.
double NowMs();

std::string Utf8(const std::wstring& text);
// A Unix path from the build (a compile definition) as a Windows path on Wine's Z: drive.
std::wstring FromUnixPath(const char* path);

// The only address a driven server may get: nothing is ever sent to another one.
inline constexpr const wchar_t* kLoopback = L"127.0.0.1";

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

    using LogLine = standin::LogEntry; // event, pid, detail
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
    // The build's Brivan.exe in a scenario's working directory.
    explicit Brivan(const WorkDir& dir);
    // A given Brivan.exe in a prepared working directory.
    Brivan(std::wstring exe, std::wstring workDir);
    ~Brivan(); // ends the program and every server it started that still runs
    Brivan(const Brivan&) = delete;

    bool Start();
    // The main window, once it is visible and its thread answers; null when it did not come.
    HWND WaitMainWindow(unsigned ms = 30000);
    HWND Main() const { return m_main; }
    DWORD Pid() const { return m_pi.dwProcessId; }
    HANDLE Process() const { return m_pi.hProcess; }
    bool WaitExit(unsigned ms = 30000);
    bool Running() const;
    // The window thread answers within the bound.
    bool Responsive(unsigned ms = 5000) const;

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
    // Puts the loopback address into the field, as every start of a driven server needs; true when
    // the field then shows it.
    bool UseLoopback() const;

    // A message box of the program (class #32770 with the static 0xFFFF).
    std::optional<MessageBoxSeen> WaitMessageBox(unsigned ms = 20000) const;
    bool MessageBoxOpen() const;
    static void Answer(const MessageBoxSeen& box, int buttonId);
    // A dialog of the program by caption.
    HWND WaitDialog(const std::wstring& caption, unsigned ms = 20000) const;
    // The program's visible dialog windows other than the main window (message boxes included).
    std::vector<HWND> Dialogs() const;

    // Starts one server on the loopback address with this name and port and waits until its console
    // carries the title: the time from the click in ms, or -1 (a message box came, or the bound passed).
    double StartServer(const std::wstring& name, int port, unsigned ms = 30000) const;
    // "Выход", the exit question answered with Yes when it comes; true when the program ended.
    bool Exit(unsigned ms = 30000);

    static std::wstring WindowText(HWND hwnd);

private:
    std::wstring m_exe;
    std::wstring m_workDir;
    PROCESS_INFORMATION m_pi{};
    HWND m_main = nullptr;
};

// Other processes' windows and processes.

// The visible top-level window with this exact title, or null.
HWND FindTopWindow(const std::wstring& title);
// Whether any window (any process) with this title is visible.
bool TitleVisible(const std::wstring& title);
// Ends a process by id from outside (a crash as the watchdog sees it); false when it had already
// ended or could not be opened.
bool KillProcess(uint32_t pid);
bool ProcessAlive(uint32_t pid);

struct Window {
    HWND hwnd = nullptr;
    DWORD pid = 0;
};
// A top-level window's title, read without a message, so a hung window cannot block the driver.
std::wstring Caption(HWND hwnd);
std::wstring ClassName(HWND hwnd);
// Top-level windows with exactly this title, of any process, shown or not.
std::vector<Window> WindowsTitled(const std::wstring& title);
// A process's top-level windows, shown or not.
std::vector<HWND> TopWindowsOf(DWORD pid);
// The titles of a process's top-level windows, quoted and separated by blanks.
std::wstring WindowTitlesOf(DWORD pid);
// A window's child windows ordered left to right on the screen (the IP address field's four edits).
std::vector<HWND> ChildrenLeftToRight(HWND parent);
// Running processes whose parent is `parent` and whose executable name is `exe` (case ignored).
std::vector<DWORD> ChildProcesses(DWORD parent, const wchar_t* exe);
// Server name, " - ", port: the title of its console and its entry in the active-server drop-down.
std::wstring ServerTitle(const std::wstring& name, int port);

// Measurements of a process from outside.

// Kernel handles a process holds (the platform's system handle list); -1 when unavailable.
long HandleCount(DWORD pid);
// Private (anonymous, resident) bytes of a process as the platform reports them.
uint64_t PrivateBytes(HANDLE process);
// CPU time of a process in seconds, read from the host's /proc through the Z: drive (Wine does not
// report other processes' times). The process is found by a unique text in its command line.
class HostCpu {
public:
    bool Find(const std::wstring& commandLinePart);
    double Seconds() const;
    bool Found() const { return !m_statPath.empty(); }

private:
    std::wstring m_statPath;
};

// Folders.
bool CopyTree(const std::wstring& from, const std::wstring& to);
void RemoveTree(const std::wstring& dir);

// This machine: its first address, as the program's address lookup finds it (nothing is sent).
std::wstring LocalAddress();
// Saves a picture of a window (null: the whole screen) into the screenshot folder named by the
// environment variable BRIVAN_SCREENSHOTS, when it is set.
void Screenshot(HWND hwnd, const std::string& name);

} // namespace e2e
