#include "servers/ServerChannel.h"

#include "servers/ChannelBlock.h"

#include <windows.h>

namespace brv {

namespace {

SECURITY_ATTRIBUTES Inheritable() {
    SECURITY_ATTRIBUTES sa{};
    sa.nLength = sizeof sa;
    sa.bInheritHandle = TRUE;
    return sa;
}

std::string ToAnsi(std::wstring_view text) {
    if (text.empty()) {
        return {};
    }
    int n = WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr,
                                nullptr);
    std::string out(static_cast<size_t>(n > 0 ? n : 0), '\0');
    if (n > 0) {
        WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr,
                            nullptr);
    }
    return out;
}

} // namespace

bool CreateChannel(brvRunSL& record) {
    SECURITY_ATTRIBUTES sa = Inheritable();
    HANDLE mapping = CreateFileMappingW(INVALID_HANDLE_VALUE, &sa, PAGE_READWRITE, 0,
                                        static_cast<DWORD>(kChannelBlockSize), nullptr);
    if (mapping == nullptr) {
        return false;
    }
    record.mapping = mapping;
    record.parentEvent = CreateEventW(&sa, FALSE, FALSE, nullptr);
    record.childEvent = CreateEventW(&sa, FALSE, FALSE, nullptr);
    return true;
}

void CloseHandleValue(brvHandle handle) {
    CloseHandle(static_cast<HANDLE>(handle));
}

std::string CommandBytes(const std::wstring& command) {
    return FitCommandText(command, ToAnsi);
}

void SendConsoleCommand(const std::wstring& command, brvHandle mapping, brvHandle parentEvent,
                        brvHandle childEvent, unsigned ackWaitMs) {
    if (mapping == nullptr || parentEvent == nullptr) {
        return;
    }
    auto* block = static_cast<unsigned char*>(
        MapViewOfFile(static_cast<HANDLE>(mapping), FILE_MAP_READ | FILE_MAP_WRITE, 0, 0, kChannelBlockSize));
    if (block == nullptr) {
        return;
    }
    if (childEvent != nullptr && CommandPending(block)) {
        // The child event may still hold an older acknowledgement, so the block decides; the event
        // only saves polling.
        const ULONGLONG deadline = GetTickCount64() + ackWaitMs;
        for (ULONGLONG now = GetTickCount64(); CommandPending(block) && now < deadline;
             now = GetTickCount64()) {
            WaitForSingleObject(static_cast<HANDLE>(childEvent), static_cast<DWORD>(deadline - now));
        }
    }
    WriteCommandBlock(block, CommandBytes(command));
    UnmapViewOfFile(block);
    SetEvent(static_cast<HANDLE>(parentEvent));
}

bool SendCommandToTitle(const ServerTable& table, const std::wstring& title, const std::wstring& command) {
    const auto channel = table.DuplicateChannel(title, [](brvHandle h) -> brvHandle {
        HANDLE self = GetCurrentProcess();
        HANDLE dup = nullptr;
        return DuplicateHandle(self, static_cast<HANDLE>(h), self, &dup, 0, FALSE, DUPLICATE_SAME_ACCESS)
                   ? dup
                   : nullptr;
    });
    if (!channel) {
        return false;
    }
    SendConsoleCommand(command, channel->mapping, channel->parentEvent, channel->childEvent);
    for (brvHandle h : {channel->mapping, channel->parentEvent, channel->childEvent}) {
        if (h != nullptr) {
            CloseHandle(static_cast<HANDLE>(h));
        }
    }
    return true;
}

} // namespace brv
