#include "servers/QuickEdit_win.h"

#include <windows.h>

#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

namespace brv {

namespace {

constexpr DWORD kTryEveryMs = 15;

std::mutex g_attachLock; // AttachConsole is the whole process's

// While attached, the server's console may send a control event: it must not end Brivan.
BOOL WINAPI IgnoreConsoleEvents(DWORD) {
    return TRUE;
}

class QuickEditHelper {
public:
    ~QuickEditHelper() {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_stopping = true;
        }
        m_wake.notify_all();
        if (m_thread.joinable()) {
            m_thread.join();
        }
        for (const Item& item : m_items) {
            CloseHandle(item.process);
        }
    }

    void Add(HANDLE process, DWORD pid) {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_stopping) {
            CloseHandle(process);
            return;
        }
        m_items.push_back({process, pid, GetTickCount64() + kQuickEditTryMs});
        if (!m_running) {
            if (m_thread.joinable()) {
                m_thread.join(); // ended: it let go of the lock before
            }
            m_running = true;
            m_thread = std::thread([this] { Run(); });
        }
    }

private:
    struct Item {
        HANDLE process;
        DWORD pid;
        uint64_t giveUpMs;
    };

    void Run() {
        std::unique_lock<std::mutex> lock(m_mutex);
        while (!m_stopping && !m_items.empty()) {
            std::vector<Item> items = m_items;
            lock.unlock();
            std::vector<HANDLE> done;
            for (const Item& item : items) {
                if (WaitForSingleObject(item.process, 0) != WAIT_TIMEOUT || SwitchOffQuickEdit(item.pid) ||
                    GetTickCount64() >= item.giveUpMs) {
                    done.push_back(item.process);
                }
            }
            lock.lock();
            for (HANDLE h : done) {
                std::erase_if(m_items, [h](const Item& i) { return i.process == h; });
                CloseHandle(h);
            }
            if (!m_items.empty()) {
                m_wake.wait_for(lock, std::chrono::milliseconds(kTryEveryMs), [this] { return m_stopping; });
            }
        }
        m_running = false;
    }

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::vector<Item> m_items;
    std::thread m_thread;
    bool m_running = false;
    bool m_stopping = false;
};

QuickEditHelper& Helper() {
    static QuickEditHelper helper;
    return helper;
}

} // namespace

bool SwitchOffQuickEdit(uint32_t processId) {
    std::lock_guard<std::mutex> lock(g_attachLock);
    static const bool ignoring = SetConsoleCtrlHandler(IgnoreConsoleEvents, TRUE) != 0;
    (void)ignoring;
    // A windowed program keeps no console of its own, but may have been handed its parent's, and a
    // process attached to one console cannot attach to another.
    FreeConsole();
    if (!AttachConsole(processId)) {
        return false;
    }
    bool done = false;
    HANDLE in = CreateFileW(L"CONIN$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                            nullptr, OPEN_EXISTING, 0, nullptr);
    if (in != INVALID_HANDLE_VALUE) {
        DWORD mode = 0;
        if (GetConsoleMode(in, &mode)) {
            done = SetConsoleMode(in, (mode | ENABLE_EXTENDED_FLAGS) &
                                          ~static_cast<DWORD>(ENABLE_QUICK_EDIT_MODE)) != 0;
        }
        CloseHandle(in);
    }
    FreeConsole();
    return done;
}

void SwitchOffQuickEditSoon(void* process, uint32_t processId) {
    HANDLE ours = nullptr;
    if (process == nullptr || !DuplicateHandle(GetCurrentProcess(), static_cast<HANDLE>(process),
                                               GetCurrentProcess(), &ours, SYNCHRONIZE, FALSE, 0)) {
        return;
    }
    Helper().Add(ours, processId);
}

} // namespace brv
