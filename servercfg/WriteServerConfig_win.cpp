#include "servercfg/WriteServerConfig.h"

#include "framework/AtomicFile.h"
#include "framework/FileBytes_win.h"
#include "framework/InvalidArgument.h"
#include "framework/Messages.h"
#include "framework/Report.h"
#include "framework/Text.h"
#include "profile/WorkDir.h"
#include "servercfg/BrivanCfg.h"

namespace brv {

bool WriteServerConfig(brvRunSL& record, const ProfileLists& lists) {
    const std::wstring workDir = QueryWorkDir(record);
    const int32_t selection = CheckedAt(lists.selections, kSelGame);
    const std::wstring gameDir = JoinPath(workDir, GameDirectory(CheckedAt(lists.games, selection)));
    record.serverConfigPath = JoinPath(gameDir, L"server.cfg");
    record.generatedConfigPath = JoinPath(gameDir, L"Brivan.cfg");

    // The whole file, however large.
    const WholeFile serverCfg = ReadWholeFile(record.serverConfigPath);
    if (serverCfg.error != 0) {
        ShowMessage(nullptr, FormatErrorCode(kMsgCannotRead, static_cast<long>(serverCfg.error)),
                    kCaptionError, kMbOk | kMbIconError);
        return false;
    }
    const std::wstring text =
        ComposeBrivanCfg(FromCodePage(UpToFirstNul(serverCfg.bytes), kCodePageSystemAnsi), record.serverName,
                         record.networkType, lists.setmasters);
    // Whole or not at all: a server must never start from a half-written file.
    return WriteFileAtomically(record.generatedConfigPath, ToUtf8(text), kFileAttrNormal);
}

} // namespace brv
