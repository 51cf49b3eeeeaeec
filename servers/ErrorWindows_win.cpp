#include "servers/ErrorWindows.h"

#include "servers/ProcessTree.h"

#include <windows.h>

#include <algorithm>
#include <iterator>
#include <vector>

namespace brv {

namespace {

std::vector<std::wstring> WatchedTitles() {
    std::vector<std::wstring> titles(std::begin(kErrorWindowTitles), std::end(kErrorWindowTitles));
    titles.emplace_back(kLauncherErrorTitle);
    return titles;
}

bool IsDialog(HWND w) {
    wchar_t name[16] = {};
    return GetClassNameW(w, name, 16) > 0 && lstrcmpW(name, L"#32770") == 0;
}

// The message of a message box, from its text control, without sending it a message: its process may
// be hung. A box just created gets its text a moment after its caption, so a dialog is given a little
// while; any other window has no message to wait for.
std::wstring MessageText(HWND w, unsigned waitMs) {
    const bool dialog = IsDialog(w);
    const uint64_t until = GetTickCount64() + (dialog ? waitMs : 0);
    for (;;) {
        if (HWND text = GetDlgItem(w, 0xFFFF)) {
            std::wstring buffer(4096, L'\0');
            const int n = InternalGetWindowText(text, buffer.data(), static_cast<int>(buffer.size()));
            if (n > 0) {
                buffer.resize(static_cast<size_t>(n));
                return buffer;
            }
        }
        if (!dialog || !IsWindow(w) || GetTickCount64() >= until) {
            return {};
        }
        Sleep(1);
    }
}

} // namespace

ErrorWindows::ErrorWindows(ServerTable& table, ServerEvents& events, bool onSight)
    : m_table(table), m_events(events), m_onSight(onSight),
      m_watch(WatchedTitles(),
              [this](brvWindow w, const std::wstring& title, uint32_t pid) { Seen(w, title, pid); }) {}

ErrorWindows::~ErrorWindows() {
    Stop();
}

void ErrorWindows::Start() {
    if (m_onSight) {
        m_watch.Start();
    }
}

void ErrorWindows::Stop() {
    m_watch.Stop();
}

void ErrorWindows::Seen(brvWindow window, const std::wstring& title, uint32_t ownerPid) {
    Close(window, title, ownerPid, 50);
}

void ErrorWindows::Pass() {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        std::erase_if(m_told, [](brvWindow w) { return !IsWindow(static_cast<HWND>(w)); });
    }
    // One listing and one read of each title, whatever the number of watched titles: with a hundred
    // consoles on the screen a search per title would read every one of them four times a pass.
    std::vector<HWND> windows;
    EnumWindows(
        [](HWND w, LPARAM p) {
            reinterpret_cast<std::vector<HWND>*>(p)->push_back(w);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&windows));
    const std::vector<std::wstring> titles = WatchedTitles();
    for (HWND w : windows) {
        wchar_t text[64];
        const int n = InternalGetWindowText(w, text, 64);
        const std::wstring title(text, static_cast<size_t>(n > 0 ? n : 0));
        if (std::find(titles.begin(), titles.end(), title) == titles.end()) {
            continue;
        }
        DWORD owner = 0;
        GetWindowThreadProcessId(w, &owner);
        Close(w, title, owner, 0);
    }
}

std::optional<ErrorWindows::Owner> ErrorWindows::ServerOf(uint32_t pid) const {
    struct Server {
        uint32_t pid;
        Owner owner;
    };
    const auto servers = m_table.Locked([](const ServerTable::Records& r) {
        std::vector<Server> out;
        for (const brvRunSL& rec : r) {
            out.push_back(
                {rec.processId, {rec.serverTitle, RestartPolicy::KeyOf(rec.serverTitle, rec.ip, rec.port)}});
        }
        return out;
    });
    for (const Server& s : servers) {
        if (s.pid == pid) {
            return s.owner;
        }
    }
    const ProcessTree tree = ReadProcessTree();
    for (const Server& s : servers) {
        if (OwnedBy(tree, pid, s.pid)) {
            return s.owner;
        }
    }
    return std::nullopt;
}

void ErrorWindows::Close(brvWindow window, const std::wstring& title, uint32_t ownerPid,
                         unsigned textWaitMs) {
    HWND w = static_cast<HWND>(window);
    std::optional<Owner> server;
    const bool launcherError = title == kLauncherErrorTitle;
    if (launcherError) {
        server = ServerOf(ownerPid);
        if (!server) {
            return; // another program's window of that name is none of ours to close
        }
    }
    bool tell = false;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        tell = m_told.insert(window).second;
    }
    // Read before the close request: once it is taken, the message is gone with the window.
    const std::wstring text = tell ? MessageText(w, textWaitMs) : std::wstring();
    PostMessageW(w, WM_CLOSE, 0, 0);
    ++m_closeRequests;
    if (!tell) {
        return;
    }
    if (!launcherError) {
        server = ServerOf(ownerPid);
    }
    const Owner owner = server.value_or(Owner{});
    m_events.ErrorWindowClosed({title, text, ownerPid, owner.title, owner.key});
}

} // namespace brv
