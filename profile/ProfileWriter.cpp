#include "profile/ProfileWriter.h"

#include "profile/ProfileFormat.h"

namespace brv {
namespace {

class Builder {
public:
    void Raw(const wchar_t* piece) { m_text += piece; }
    void Value(const std::wstring& value) {
        for (wchar_t c : value) {
            if (c != L'\r' && c != L'\n') {
                m_text.push_back(c);
            }
        }
    }
    void Entries(const std::vector<std::wstring>& list) {
        for (const auto& entry : list) {
            Value(entry);
            m_text += L"\r\n";
        }
    }
    std::wstring Take() { return std::move(m_text); }
    void Reserve(size_t n) { m_text.reserve(n); }

private:
    std::wstring m_text;
};

size_t RoughSize(const ProfileLists& l) {
    size_t n = 1024;
    for (const auto* list :
         {&l.games, &l.serverTypes, &l.mapSources, &l.extraChoices, &l.storedCommands, &l.setmasters}) {
        for (const auto& s : *list) {
            n += s.size() + 2;
        }
    }
    return n + 16 * (l.priorities.size() + l.selections.size());
}

} // namespace

std::wstring ComposeProfileText(const brvRunSL& r, const ProfileLists& l) {
    Builder b;
    b.Reserve(RoughSize(l));
    b.Raw(L"[NAMESERVER]\r\n");
    b.Value(r.serverName);
    b.Raw(L"\r\n[GAME]\r\n");
    b.Entries(l.games);
    b.Raw(L"[MAP]\r\n");
    b.Value(r.map);
    b.Raw(L"\r\n[IPSERVER]\r\n");
    b.Value(r.ip);
    b.Raw(L"\r\n[PORT]\r\n");
    b.Value(r.port);
    b.Raw(L"\r\n[NUMBERPLAYERS]\r\n");
    b.Value(r.playerCount);
    b.Raw(L"\r\n[ADDPARAMETERS]\r\n");
    b.Value(r.extraParams);
    b.Raw(L"\r\n[PRIORITET]\r\n");
    for (uint32_t p : l.priorities) {
        b.Value(FormatHexU32(p));
        b.Raw(L"\r\n");
    }
    b.Raw(L"[RCON]\r\n");
    b.Value(r.rconPassword);
    b.Raw(L"\r\n[TYPESERVER]\r\n");
    b.Entries(l.serverTypes);
    b.Raw(L"[CURSELCOMBOBOXES]\r\n");
    for (int32_t s : l.selections) {
        b.Value(std::to_wstring(s));
        b.Raw(L"\r\n");
    }
    b.Raw(L"[PATHLOADMAPS]\r\n");
    b.Entries(l.mapSources);
    b.Raw(L"[COMBO_ADD_PARAMETERS]\r\n");
    b.Entries(l.extraChoices);
    b.Raw(L"[COMBO_COMMANDS]\r\n");
    b.Entries(l.storedCommands);
    b.Raw(L"[PASSWORDGAME]\r\n");
    b.Value(r.gamePassword);
    b.Raw(L"\r\n[SETMASTERS]\r\n");
    b.Entries(l.setmasters);
    return b.Take();
}

} // namespace brv
