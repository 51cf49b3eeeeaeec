#include "framework/FileBytes_win.h"

#include <windows.h>

namespace brv {

WholeFile ReadWholeFile(const std::wstring& path, FileSharing sharing) {
    const DWORD share = sharing == FileSharing::kEveryone
                            ? FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE
                            : FILE_SHARE_READ;
    WholeFile file;
    HANDLE handle = CreateFileW(path.c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING,
                                FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        file.error = GetLastError();
        return file;
    }
    file.opened = true;
    LARGE_INTEGER size{};
    if (GetFileSizeEx(handle, &size) && size.QuadPart > 0) {
        file.bytes.reserve(static_cast<size_t>(size.QuadPart));
    }
    char chunk[65536];
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(handle, chunk, sizeof chunk, &got, nullptr)) {
            file.error = GetLastError();
            break;
        }
        if (got == 0) {
            break;
        }
        file.bytes.append(chunk, got);
    }
    CloseHandle(handle);
    return file;
}

std::optional<std::string> ReadFileBytes(const std::wstring& path) {
    WholeFile file = ReadWholeFile(path, FileSharing::kEveryone);
    if (!file.opened || file.error != 0) {
        return std::nullopt;
    }
    return std::move(file.bytes);
}

bool WriteToFile(void* file, std::string_view bytes, unsigned long& error) {
    while (!bytes.empty()) {
        const DWORD piece = bytes.size() > (1u << 30) ? (1u << 30) : static_cast<DWORD>(bytes.size());
        DWORD written = 0;
        if (!WriteFile(static_cast<HANDLE>(file), bytes.data(), piece, &written, nullptr) || written == 0) {
            error = GetLastError();
            return false;
        }
        bytes.remove_prefix(written);
    }
    return true;
}

bool WriteFileBytes(const std::wstring& path, std::string_view bytes) {
    HANDLE file =
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    unsigned long error = 0;
    const bool ok = WriteToFile(file, bytes, error);
    return CloseHandle(file) && ok;
}

} // namespace brv
