#pragma once
// Drives a running Brivan.exe from outside, as an operator would through its windows, and watches the
// servers it starts. Shared by the benchmark, the soak run and the fault cases.
#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace probe {

double NowMs();
std::string Utf8(const std::wstring& text);
std::wstring Wide(const std::string& text);
// printf to standard output, flushed at once (the shell scripts read it as it comes).
void Say(const char* format, ...);

// Polls `done` every `stepMs` until it holds or `timeoutMs` has passed; true when it held.
bool WaitFor(const std::function<bool()>& done, double timeoutMs, DWORD stepMs = 5);

struct Window {
    HWND hwnd = nullptr;
    DWORD pid = 0;
};
std::wstring WindowText(HWND hwnd);
std::wstring ClassName(HWND hwnd);
// Top-level windows with exactly this title, of any process.
std::vector<Window> WindowsTitled(const std::wstring& title);
// The titles of a process's top-level windows, quoted and separated by blanks.
std::wstring WindowTitlesOf(DWORD pid);
// Running processes whose parent is `parent` and whose executable name is `exe` (case ignored).
std::vector<DWORD> ChildProcesses(DWORD parent, const wchar_t* exe);
// Kernel handles a process holds (the platform's system handle list).
long HandleCount(DWORD pid);
// Private (anonymous, resident) bytes of a process as the platform reports them.
uint64_t PrivateBytes(HANDLE process);
bool Alive(HANDLE process);
// Ends a process from outside; false when it had already ended or could not be opened.
bool Kill(DWORD pid);

// CPU time of a process in seconds, read from the host's /proc through the Z: drive (Wine does not
// report other processes' times). The process is found by a unique text in its command line.
class HostCpu {
public:
    bool Find(const std::wstring& commandLinePart);
    double Seconds() const;
    bool Found() const { return !statPath_.empty(); }

private:
    std::wstring statPath_;
};

// One Brivan.exe started in a working directory.
class Brivan {
public:
    ~Brivan();
    // Starts the program with `workDir` as its current directory and waits for its main window.
    bool Start(const std::wstring& exe, const std::wstring& workDir, double timeoutMs = 60000);
    HWND Main() const { return main_; }
    DWORD Pid() const { return pid_; }
    HANDLE Process() const { return process_; }
    HWND Item(int id) const { return GetDlgItem(main_, id); }

    void SetText(int id, const std::wstring& text) const;
    std::wstring Text(int id) const { return WindowText(Item(id)); }
    void SetIp(BYTE a, BYTE b, BYTE c, BYTE d) const;
    // Posts the click, so a handler that opens a message box never blocks the caller.
    void Click(int id) const;
    void Click(HWND dialog, int id) const;
    // Selects an entry of a drop-down and tells the window, as a selection by the operator does.
    void Select(int id, int index) const;
    std::vector<std::wstring> ComboEntries(int id) const;
    bool Enabled(int id) const { return IsWindowEnabled(Item(id)) != FALSE; }
    // The window thread answers within the bound.
    bool Responsive(DWORD ms = 5000) const;

    // Top-level dialog windows of the program other than the main window.
    std::vector<HWND> Dialogs() const;
    HWND WaitDialog(const std::wstring& caption, double timeoutMs) const;
    // A message box of the program: its caption and text.
    struct Box {
        HWND hwnd = nullptr;
        std::wstring caption, text;
    };
    Box WaitMessageBox(double timeoutMs) const;
    void Answer(const Box& box, int buttonId) const;

    // Starts one server from the form and waits until its console carries the title; the time taken
    // in ms, or a negative value (a message box came instead, or the bound passed).
    double StartServer(const std::wstring& name, int port, double timeoutMs = 30000) const;
    // Exit: clicks "Выход", answers the question with Yes when one comes, waits for the process to end.
    bool Exit(double timeoutMs = 30000);

private:
    HANDLE process_ = nullptr;
    DWORD pid_ = 0;
    HWND main_ = nullptr;
};

std::wstring ServerTitle(const std::wstring& name, int port);

// Files, for "nothing on disk was lost or half-written".
bool ReadAll(const std::wstring& path, std::string& bytes);
bool WriteAll(const std::wstring& path, const std::string& bytes);
bool CopyTree(const std::wstring& from, const std::wstring& to);

} // namespace probe
