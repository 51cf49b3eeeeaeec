#include "profile/HeaderValues.h"

#include "framework/Messages.h"
#include "framework/Report.h"
#include "profile/ProfileFormat.h"

namespace brv {

bool IsHeaderValue(std::wstring_view value) {
    // The writer drops line breaks from a value, so the line read back is the value without them.
    std::wstring line;
    line.reserve(value.size());
    for (wchar_t c : value) {
        if (c != L'\r' && c != L'\n') {
            line.push_back(c);
        }
    }
    return HeaderOf(line) != Section::kNone;
}

std::optional<std::wstring> FirstHeaderValue(const brvRunSL& r, const ProfileLists& l) {
    for (const std::wstring* value : {&r.serverName, &r.map, &r.ip, &r.port, &r.playerCount, &r.extraParams,
                                      &r.rconPassword, &r.gamePassword}) {
        if (IsHeaderValue(*value)) {
            return *value;
        }
    }
    for (const auto* list :
         {&l.games, &l.serverTypes, &l.mapSources, &l.extraChoices, &l.storedCommands, &l.setmasters}) {
        for (const auto& entry : *list) {
            if (IsHeaderValue(entry)) {
                return entry;
            }
        }
    }
    return std::nullopt;
}

bool RefuseHeaderValue(void* owner, const std::wstring& value) {
    if (!IsHeaderValue(value)) {
        return false;
    }
    std::wstring text = kMsgValueIsHeader;
    text.replace(text.find(L"%s"), 2, value);
    ShowMessage(owner, text, kCaptionError, kMbOk | kMbIconError);
    return true;
}

} // namespace brv
