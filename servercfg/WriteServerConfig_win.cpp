#include "servercfg/WriteServerConfig.h"

#include "framework/InvalidArgument.h"
#include "framework/Messages.h"
#include "framework/Report.h"
#include "profile/AtomicFile.h"
#include "profile/TextWriters.h"
#include "profile/WorkDir.h"
#include "servercfg/BrivanCfg.h"

#include <windows.h>

namespace brv {
namespace {

// The whole file, however large; false with the platform's error code when it cannot be read.
bool ReadWholeFile(const std::wstring& path, std::string& bytes, DWORD& code) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        code = GetLastError();
        return false;
    }
    LARGE_INTEGER size{};
    if (GetFileSizeEx(file, &size) && size.QuadPart > 0) {
        bytes.reserve(static_cast<size_t>(size.QuadPart));
    }
    char chunk[65536];
    bool ok = true;
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(file, chunk, sizeof chunk, &got, nullptr)) {
            code = GetLastError();
            ok = false;
            break;
        }
        if (got == 0) {
            break;
        }
        bytes.append(chunk, got);
    }
    CloseHandle(file);
    return ok;
}

std::wstring AnsiToWide(std::string_view bytes) {
    if (bytes.empty()) {
        return {};
    }
    const int n = static_cast<int>(bytes.size());
    const int need = MultiByteToWideChar(CP_ACP, 0, bytes.data(), n, nullptr, 0);
    std::wstring text(static_cast<size_t>(need > 0 ? need : 0), L'\0');
    if (need > 0) {
        MultiByteToWideChar(CP_ACP, 0, bytes.data(), n, text.data(), need);
    }
    return text;
}

} // namespace

bool WriteServerConfig(brvRunSL& record, const ProfileLists& lists) {
    const std::wstring workDir = QueryWorkDir(record);
    const int32_t selection = CheckedAt(lists.selections, kSelGame);
    const std::wstring gameDir = JoinPath(workDir, GameDirectory(CheckedAt(lists.games, selection)));
    record.serverConfigPath = JoinPath(gameDir, L"server.cfg");
    record.generatedConfigPath = JoinPath(gameDir, L"Brivan.cfg");

    std::string bytes;
    DWORD code = 0;
    if (!ReadWholeFile(record.serverConfigPath, bytes, code)) {
        ShowMessage(nullptr, FormatErrorCode(kMsgCannotRead, static_cast<long>(code)), kCaptionError,
                    kMbOk | kMbIconError);
        return false;
    }
    const std::wstring text = ComposeBrivanCfg(AnsiToWide(UpToFirstNul(bytes)), record.serverName,
                                               record.networkType, lists.setmasters);
    // Whole or not at all: a server must never start from a half-written file.
    return WriteFileAtomically(record.generatedConfigPath, WideToCodePage(text, CP_UTF8), kFileAttrNormal);
}

} // namespace brv
