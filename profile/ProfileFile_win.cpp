#include "profile/ProfileFile.h"

#include "framework/AtomicFile.h"
#include "framework/FileBytes_win.h"
#include "framework/Messages.h"
#include "framework/Report.h"
#include "framework/Text.h"
#include "profile/HeaderValues.h"
#include "profile/ProfileReader.h"
#include "profile/ProfileWriter.h"
#include "profile/WorkDir.h"
#include "res/resource.h"

#include <shlwapi.h>
#include <windows.h>

namespace brv {
namespace {

void ShowError(const wchar_t* pattern, DWORD code) {
    ShowMessage(nullptr, FormatErrorCode(pattern, static_cast<long>(code)), kCaptionError,
                kMbOk | kMbIconError);
}

// Reads the profile at the record's path into the record and the lists.
bool ReadProfile(brvRunSL& record, ProfileLists& lists) {
    // A failed read ends the file: what was read before it stays.
    const WholeFile file = ReadWholeFile(record.profilePath);
    if (!file.opened) {
        ShowError(kMsgCannotRead, file.error);
        return false;
    }
    ReadProfileBytes(file.bytes, record, lists);
    return true;
}

// Asks whether the built-in default is to take the damaged profile's place; on Yes keeps the damaged
// file beside it (never over an earlier kept one, and in sight: not hidden) and writes the default.
// False when the operator said No or the exchange failed (after its message): the profile read stays.
bool OfferDefaultProfile(brvRunSL& record, const ProfileLists& lists) {
    std::wstring keptPath;
    std::wstring keptName;
    for (int attempt = 1; attempt < 10000 && keptPath.empty(); ++attempt) {
        keptName = DamagedProfileName(attempt);
        const std::wstring candidate = JoinPath(record.workDir, keptName);
        if (!PathFileExistsW(candidate.c_str())) {
            keptPath = candidate;
        }
    }
    if (keptPath.empty() || ShowMessage(nullptr, ReplaceProfileQuestion(lists, keptName),
                                        kCaptionReplaceProfile, kMbYesNo | kMbIconQuestion) != kIdYes) {
        return false;
    }
    if (!CopyFileW(record.profilePath.c_str(), keptPath.c_str(), TRUE)) {
        ShowError(kMsgCannotWrite, GetLastError());
        return false;
    }
    SetFileAttributesW(keptPath.c_str(), FILE_ATTRIBUTE_NORMAL);
    return ExtractDefaultProfile(record);
}

} // namespace

bool LoadProfile(brvRunSL& record, ProfileLists& lists) {
    record.workDir = QueryWorkDir(record);
    record.serverExePath = JoinPath(record.workDir, kServerExeName);
    if (!PathFileExistsW(record.serverExePath.c_str())) {
        ShowMessage(nullptr, MissingServerExeText(record.workDir), kCaptionStartRefused,
                    kMbOk | kMbIconError);
        return false;
    }
    record.profilePath = JoinPath(record.workDir, kProfileFileName);
    record.serverConfigPath = JoinPath(record.workDir, L"server.cfg");
    record.generatedConfigPath = JoinPath(record.workDir, L"Brivan.cfg");

    if (!PathFileExistsW(record.profilePath.c_str()) && !ExtractDefaultProfile(record)) {
        return false;
    }
    const brvRunSL unread = record;
    if (!ReadProfile(record, lists)) {
        return false;
    }
    if (ProfileLacksFormLists(lists) && OfferDefaultProfile(record, lists)) {
        record = unread;
        lists = ProfileLists{};
        return ReadProfile(record, lists);
    }
    return true;
}

bool ExtractDefaultProfile(brvRunSL& record) {
    record.profilePath = JoinPath(QueryWorkDir(record), kProfileFileName);
    const WORD russian = MAKELANGID(LANG_RUSSIAN, SUBLANG_RUSSIAN_RUSSIA);
    HRSRC found =
        FindResourceExW(nullptr, L"ID_FILE_TXT_BRIVAN", MAKEINTRESOURCEW(IDR_DEFAULT_PROFILE), russian);
    if (found == nullptr) {
        found = FindResourceW(nullptr, MAKEINTRESOURCEW(IDR_DEFAULT_PROFILE), L"ID_FILE_TXT_BRIVAN");
    }
    if (found == nullptr) {
        return false;
    }
    const DWORD size = SizeofResource(nullptr, found);
    HGLOBAL loaded = LoadResource(nullptr, found);
    const void* bytes = loaded ? LockResource(loaded) : nullptr;
    if (bytes == nullptr || size == 0) {
        return false;
    }
    return WriteFileAtomically(record.profilePath, std::string_view(static_cast<const char*>(bytes), size),
                               kFileAttrHiddenSystem, kMsgCannotWriteResource);
}

bool SaveProfile(const brvRunSL& record, const ProfileLists& lists) {
    // Each place that takes a value from the operator refuses one that reads as a header; this keeps
    // any other way from writing one.
    if (const auto value = FirstHeaderValue(record, lists)) {
        RefuseHeaderValue(nullptr, *value);
        return false;
    }
    return WriteFileAtomically(record.profilePath, ToUtf16Le(ComposeProfileText(record, lists)),
                               kFileAttrHiddenSystem);
}

} // namespace brv
