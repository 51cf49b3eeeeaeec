#include "profile/ProfileFile.h"

#include <vector>

namespace brv {

std::wstring MissingServerExeText(const std::wstring& workDir) {
    return L"hlds.exe по данному пути отсутствует! \n \"" + workDir + L"\\\"";
}

bool ProfileLacksFormLists(const ProfileLists& lists) {
    return lists.games.empty() || lists.serverTypes.empty() || lists.priorities.empty() ||
           lists.mapSources.empty();
}

std::wstring DamagedProfileName(int attempt) {
    return attempt <= 1 ? std::wstring(L"brvBrivan3.damaged.txt")
                        : L"brvBrivan3.damaged-" + std::to_wstring(attempt) + L".txt";
}

std::wstring ReplaceProfileQuestion(const ProfileLists& lists, const std::wstring& keptName) {
    std::vector<const wchar_t*> missing;
    if (lists.games.empty()) {
        missing.push_back(L"игр");
    }
    if (lists.serverTypes.empty()) {
        missing.push_back(L"типов сервера");
    }
    if (lists.priorities.empty()) {
        missing.push_back(L"приоритетов");
    }
    if (lists.mapSources.empty()) {
        missing.push_back(L"путей загрузки карт");
    }
    std::wstring names;
    for (size_t i = 0; i < missing.size(); ++i) {
        names += i == 0 ? L"" : (i + 1 == missing.size() ? L" и " : L", ");
        names += missing[i];
    }
    return L"\n Профиль brvBrivan3.txt повреждён: в нём нет списка " + names +
           L".\n Заменить его профилем по умолчанию? Повреждённый файл останется рядом под именем \"" +
           keptName + L"\".";
}

} // namespace brv
