#include "framework/AtomicFile.h"
#include "framework/FileBytes_win.h"
#include "framework/Text.h"
#include "profile/ProfileFile.h"
#include "profile/ProfileReader.h"
#include "profile/WorkDir.h"
#include "servercfg/BrivanCfg.h"
#include "servercfg/RestartConfig.h"

namespace brv {

bool RewriteConfigForRestart(const std::wstring& folder, const brvRunSL& record) {
    const std::optional<std::wstring> game = GameFolderOfCommandLine(record.commandLine);
    if (!game) {
        return false;
    }
    const std::wstring gameDir = JoinPath(folder, *game);
    const WholeFile serverCfg = ReadWholeFile(JoinPath(gameDir, L"server.cfg"));
    const WholeFile profile = ReadWholeFile(JoinPath(folder, kProfileFileName));
    if (serverCfg.error != 0 || profile.error != 0) {
        return false;
    }
    // The set-masters as the operator left them; a server started from the form read the same list.
    brvRunSL scratch;
    ProfileLists lists;
    ReadProfileBytes(profile.bytes, scratch, lists);
    const std::wstring text =
        ComposeBrivanCfg(FromCodePage(UpToFirstNul(serverCfg.bytes), kCodePageSystemAnsi), record.serverName,
                         record.networkType, lists.setmasters);
    unsigned long error = 0; // unattended: never a box; the server reads the file as it was
    return ReplaceFileWhole(JoinPath(gameDir, L"Brivan.cfg"), ToUtf8(text), kFileAttrNormal, error);
}

} // namespace brv
