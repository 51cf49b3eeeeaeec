#include "framework/AtomicFile.h"

#include "framework/FileBytes_win.h"
#include "framework/Report.h"

#include <windows.h>

namespace brv {
namespace {

bool Fail(const wchar_t* message, unsigned long code) {
    ShowMessage(nullptr, FormatErrorCode(message, static_cast<long>(code)), kCaptionError,
                kMbOk | kMbIconError);
    return false;
}

} // namespace

bool WriteFileAtomically(const std::wstring& path, std::string_view bytes, unsigned long attributes,
                         const wchar_t* failureMessage) {
    unsigned long code = 0;
    return ReplaceFileWhole(path, bytes, attributes, code) || Fail(failureMessage, code);
}

bool ReplaceFileWhole(const std::wstring& path, std::string_view bytes, unsigned long attributes,
                      unsigned long& error) {
    // Beside the target, so the replacement is a rename within one volume; the process id keeps two
    // programs in one folder apart.
    // A read-only file is not to be replaced (the platform's rename would do it under Wine but not
    // on Windows), and a folder of that name is not a file.
    const DWORD old = GetFileAttributesW(path.c_str());
    if (old != INVALID_FILE_ATTRIBUTES && (old & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY))) {
        error = ERROR_ACCESS_DENIED;
        return false;
    }
    const std::wstring temp = path + L"." + std::to_wstring(GetCurrentProcessId()) + L".tmp";
    HANDLE file = CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, attributes, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        error = GetLastError();
        return false;
    }
    unsigned long code = 0;
    bool ok = WriteToFile(file, bytes, code);
    if (ok && !FlushFileBuffers(file)) {
        ok = false;
        code = GetLastError();
    }
    if (!CloseHandle(file) && ok) {
        ok = false;
        code = GetLastError();
    }
    if (ok && !MoveFileExW(temp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        ok = false;
        code = GetLastError();
    }
    if (!ok) {
        SetFileAttributesW(temp.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileW(temp.c_str());
        error = code;
        return false;
    }
    return true;
}

} // namespace brv
