#include "journal/RotateFiles_win.h"

#include "journal/Rotation.h"

#include <windows.h>

#include <vector>

namespace brv {
namespace {

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

struct File {
    HANDLE h = INVALID_HANDLE_VALUE;
    ~File() {
        if (h != INVALID_HANDLE_VALUE) {
            CloseHandle(h);
        }
    }
};

bool Truncate(HANDLE file) {
    LARGE_INTEGER zero{};
    return SetFilePointerEx(file, zero, nullptr, FILE_BEGIN) && SetEndOfFile(file);
}

// `from` is copied over `to`, then emptied through the same handle, so nothing can be appended to it
// between the copy and the cut. A copy that fails leaves `from` whole.
bool CopyAndEmpty(const std::wstring& from, const std::wstring& to) {
    File source{CreateFileW(from.c_str(), GENERIC_READ | GENERIC_WRITE, kShareAll, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr)};
    if (source.h == INVALID_HANDLE_VALUE) {
        return false;
    }
    File target{CreateFileW(to.c_str(), GENERIC_WRITE, kShareAll, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr)};
    if (target.h == INVALID_HANDLE_VALUE) {
        return false;
    }
    std::vector<char> buffer(64 * 1024);
    bool ok = true;
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(source.h, buffer.data(), static_cast<DWORD>(buffer.size()), &got, nullptr)) {
            ok = false;
            break;
        }
        if (got == 0) {
            break;
        }
        DWORD written = 0;
        if (!WriteFile(target.h, buffer.data(), got, &written, nullptr) || written != got) {
            ok = false;
            break;
        }
    }
    if (ok && Truncate(source.h)) {
        return true;
    }
    const DWORD error = GetLastError();
    Truncate(target.h); // half a copy would show its lines twice after the next rotation
    SetLastError(error ? error : ERROR_WRITE_FAULT);
    return false;
}

// Renamed when it can be; copied and emptied when another program holds it without delete sharing.
bool MoveAside(const std::wstring& from, const std::wstring& to) {
    if (MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING)) {
        return true;
    }
    const DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) {
        return true; // that generation does not exist yet
    }
    return CopyAndEmpty(from, to);
}

void Drop(const std::wstring& path) {
    if (DeleteFileW(path.c_str()) || GetLastError() == ERROR_FILE_NOT_FOUND) {
        return;
    }
    // Held open by a viewer: at least its lines go; the next step writes over it.
    File held{CreateFileW(path.c_str(), GENERIC_WRITE, kShareAll, nullptr, TRUNCATE_EXISTING, 0, nullptr)};
}

} // namespace

unsigned long RotateJournalIfDue(const std::wstring& folder, uint64_t limit) {
    const std::wstring path = folder + L"\\" + kJournalFileName;
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data) ||
        (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
        return 0; // nothing to rotate; the append says what is wrong
    }
    const uint64_t size = (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    if (!JournalNeedsRotation(size, limit)) {
        return 0;
    }
    // An older generation that cannot move is overwritten by the next; only the current file's own
    // step decides whether the journal may go on.
    bool current = false;
    for (const RotationStep& step : JournalRotationPlan(folder)) {
        if (step.to.empty()) {
            Drop(step.from);
        } else {
            current = MoveAside(step.from, step.to);
        }
    }
    return current ? 0 : (GetLastError() ? GetLastError() : ERROR_SHARING_VIOLATION);
}

} // namespace brv
