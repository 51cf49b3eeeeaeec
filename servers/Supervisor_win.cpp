#include "servers/Supervisor.h"

#include "framework/InvalidArgument.h"
#include "framework/Messages.h"
#include "servers/RestartPacer.h"
#include "servers/ServerChannel.h"

#include <windows.h>

#include <algorithm>
#include <optional>
#include <utility>
#include <string>
#include <vector>

namespace brv {

namespace {

// The platform waits on at most 64 handles; the first group also holds the stop and wake events.
constexpr size_t kFirstGroup = MAXIMUM_WAIT_OBJECTS - 2;
constexpr size_t kHelperGroup = MAXIMUM_WAIT_OBJECTS - 1;

struct Watched {
    HANDLE process;
    DWORD pid;
    std::wstring key;
};

// Every window with one of the titles gets one close request per pass: a window that survives it
// is asked again next pass, never in a tight loop.
void CloseErrorWindows() {
    for (const wchar_t* title : kErrorWindowTitles) {
        for (HWND w = FindWindowExW(nullptr, nullptr, nullptr, title); w != nullptr;
             w = FindWindowExW(nullptr, w, nullptr, title)) {
            PostMessageW(w, WM_CLOSE, 0, 0);
        }
    }
}

bool Alive(const Watched& w) {
    if (w.process != nullptr) {
        return WaitForSingleObject(w.process, 0) == WAIT_TIMEOUT;
    }
    HANDLE h = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, w.pid);
    if (h == nullptr) {
        return false;
    }
    CloseHandle(h);
    return true;
}

// Waits until the stop or wake event is set, any process ends, or the timeout passes. Handles
// beyond the first group are watched by helper threads, one per group of 63.
void WaitAny(HANDLE stop, HANDLE wake, const std::vector<HANDLE>& processes, DWORD timeout) {
    std::vector<HANDLE> first = {stop, wake};
    size_t inFirst = std::min(processes.size(), kFirstGroup);
    first.insert(first.end(), processes.begin(), processes.begin() + static_cast<std::ptrdiff_t>(inFirst));
    HANDLE cancel = nullptr;
    std::vector<std::thread> helpers;
    if (processes.size() > inFirst) {
        cancel = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        for (size_t at = inFirst; at < processes.size(); at += kHelperGroup) {
            std::vector<HANDLE> group = {cancel};
            size_t end = std::min(processes.size(), at + kHelperGroup);
            group.insert(group.end(), processes.begin() + static_cast<std::ptrdiff_t>(at),
                         processes.begin() + static_cast<std::ptrdiff_t>(end));
            helpers.emplace_back([group, wake, timeout] {
                DWORD r =
                    WaitForMultipleObjects(static_cast<DWORD>(group.size()), group.data(), FALSE, timeout);
                if (r > WAIT_OBJECT_0 && r < WAIT_OBJECT_0 + group.size()) {
                    SetEvent(wake);
                }
            });
        }
    }
    WaitForMultipleObjects(static_cast<DWORD>(first.size()), first.data(), FALSE, timeout);
    if (cancel != nullptr) {
        SetEvent(cancel);
        for (auto& t : helpers) {
            t.join();
        }
        CloseHandle(cancel);
    }
}

} // namespace

Supervisor::Supervisor(ServerHost& host, ServerTable& table, LaunchOptions launch, unsigned passMs)
    : host_(host), table_(table), launch_(launch), passMs_(passMs),
      stopEvent_(CreateEventW(nullptr, TRUE, FALSE, nullptr)),
      wakeEvent_(CreateEventW(nullptr, FALSE, FALSE, nullptr)) {
    launch_.cancelEvent = stopEvent_;
}

Supervisor::~Supervisor() {
    Stop();
    CloseHandle(static_cast<HANDLE>(stopEvent_));
    CloseHandle(static_cast<HANDLE>(wakeEvent_));
}

void Supervisor::Start() {
    if (thread_.joinable()) {
        return;
    }
    ResetEvent(static_cast<HANDLE>(stopEvent_));
    thread_ = std::thread([this] { Run(); });
}

void Supervisor::Stop() {
    if (!thread_.joinable()) {
        return;
    }
    SetEvent(static_cast<HANDLE>(stopEvent_));
    thread_.join();
}

void Supervisor::Wake() {
    SetEvent(static_cast<HANDLE>(wakeEvent_));
}

void* Supervisor::ThreadHandle() {
    return thread_.joinable() ? pthread_gethandle(thread_.native_handle()) : nullptr;
}

bool Supervisor::Restart(const brvRunSL& record) {
    try {
        switch (LaunchServerWithOutcome(host_, table_, kLaunchRestart, record, launch_)) {
        case LaunchOutcome::kLaunched:
            ++restarts_;
            return false;
        case LaunchOutcome::kProcessNotCreated:
            return true;
        case LaunchOutcome::kRefused:
            return false; // the reason has been posted to the window thread
        }
    } catch (const InvalidArgumentError&) {
        host_.PostReport({host_.OwnerWindow(), kInvalidArgumentText, kCaptionError, kMbOk | kMbIconError});
    } catch (const std::exception&) {
        // A restart that cannot be made leaves the server out of the table, like any refused restart.
    }
    return false;
}

void Supervisor::Run() {
    HANDLE stop = static_cast<HANDLE>(stopEvent_);
    HANDLE wake = static_cast<HANDLE>(wakeEvent_);
    RestartPacer pacer(passMs_);
    while (WaitForSingleObject(stop, 0) == WAIT_TIMEOUT) {
        CloseErrorWindows();

        const uint64_t now = GetTickCount64();
        auto watched = table_.Locked([](const ServerTable::Records& r) {
            std::vector<Watched> out;
            for (const auto& rec : r) {
                out.push_back({static_cast<HANDLE>(rec.process), rec.processId,
                               RestartPacer::KeyOf(rec.serverTitle, rec.ip, rec.port)});
            }
            return out;
        });
        std::optional<uint64_t> heldBack;
        for (const Watched& w : watched) {
            if (Alive(w)) {
                continue;
            }
            if (uint64_t left = pacer.DueIn(w.key, now)) {
                heldBack = std::min(heldBack.value_or(left), left);
                continue;
            }
            // Taken by identity: the window thread may have stopped this very server meanwhile.
            auto gone = table_.Locked([&w](ServerTable::Records& r) -> std::optional<brvRunSL> {
                for (size_t i = 0; i < r.size(); ++i) {
                    if (r[i].process == w.process && r[i].processId == w.pid) {
                        ServerTable::ReleaseHandles(r[i], CloseHandleValue);
                        brvRunSL copy = r[i];
                        r.erase(r.begin() + static_cast<std::ptrdiff_t>(i));
                        return copy;
                    }
                }
                return std::nullopt;
            });
            if (!gone) {
                continue;
            }
            if (gone->process != nullptr) {
                CloseHandle(static_cast<HANDLE>(gone->process));
            }
            pacer.Restarted(w.key, now);
            if (Restart(*gone)) {
                retry_.push_back(*gone);
            }
            if (WaitForSingleObject(stop, 0) != WAIT_TIMEOUT) {
                return;
            }
        }
        for (size_t i = 0; i < retry_.size();) {
            const std::wstring key = RestartPacer::KeyOf(retry_[i].serverTitle, retry_[i].ip, retry_[i].port);
            if (uint64_t left = pacer.DueIn(key, now)) {
                heldBack = std::min(heldBack.value_or(left), left);
                ++i;
                continue;
            }
            pacer.Restarted(key, now);
            if (Restart(retry_[i])) {
                heldBack = std::min<uint64_t>(heldBack.value_or(passMs_), passMs_);
                ++i;
            } else {
                retry_.erase(retry_.begin() + static_cast<std::ptrdiff_t>(i));
            }
            if (WaitForSingleObject(stop, 0) != WAIT_TIMEOUT) {
                return;
            }
        }
        pacer.Prune(now);
        ++passes_;

        // Own duplicates: a stop on the window thread may close a record's handle while this waits.
        auto waitOn = table_.Locked([](const ServerTable::Records& r) {
            std::vector<std::pair<HANDLE, std::wstring>> out;
            for (const auto& rec : r) {
                HANDLE dup = nullptr;
                if (rec.process != nullptr &&
                    DuplicateHandle(GetCurrentProcess(), static_cast<HANDLE>(rec.process),
                                    GetCurrentProcess(), &dup, SYNCHRONIZE, FALSE, 0)) {
                    out.emplace_back(dup, RestartPacer::KeyOf(rec.serverTitle, rec.ip, rec.port));
                }
            }
            return out;
        });
        // A server that ended since the walk starts the next pass at once; one held back by the pacer
        // would wake the wait at once, so it is left to the timeout.
        std::vector<HANDLE> running;
        bool endedSinceWalk = false;
        const uint64_t later = GetTickCount64();
        for (auto& [h, key] : waitOn) {
            if (WaitForSingleObject(h, 0) == WAIT_TIMEOUT) {
                running.push_back(h);
                continue;
            }
            if (pacer.DueIn(key, later) == 0) {
                endedSinceWalk = true;
            }
            CloseHandle(h);
        }
        if (endedSinceWalk) {
            for (HANDLE h : running) {
                CloseHandle(h);
            }
            continue;
        }
        DWORD timeout = static_cast<DWORD>(std::min<uint64_t>(passMs_, heldBack.value_or(passMs_)));
        WaitAny(stop, wake, running, timeout);
        for (HANDLE h : running) {
            CloseHandle(h);
        }
    }
}

} // namespace brv
