#include "restore/RememberedPolicy.h"

#include <algorithm>
#include <array>

namespace brv {

void RememberedPolicy::AfterRead(ListHold hold) {
    m_hold = hold;
}

void RememberedPolicy::OperatorActed() {
    // A refused file holds nothing any Brivan could bring back; an unreadable one may.
    if (m_hold == ListHold::kRefused) {
        m_hold = ListHold::kNone;
    }
}

std::optional<uint64_t> RememberedPolicy::ReadRetryAtMs(int done) {
    // Another program that holds the file at logon (a backup, an indexer) lets go within seconds.
    static constexpr std::array<uint64_t, 4> kAt = {5000, 15000, 30000, 60000};
    if (done < 0 || static_cast<size_t>(done) >= kAt.size()) {
        return std::nullopt;
    }
    return kAt[static_cast<size_t>(done)];
}

RememberedPolicy::AfterWrite RememberedPolicy::Written(bool ok) {
    AfterWrite told;
    told.journalFailure = !ok && !m_failing;
    told.journalRecovered = ok && m_failing;
    m_failing = !ok;
    return told;
}

std::vector<RememberedServer> ListToWrite(std::vector<RememberedServer> table,
                                          const std::vector<RememberedServer>& carried) {
    const size_t own = table.size();
    for (const RememberedServer& c : carried) {
        const bool taken =
            std::any_of(table.begin(), table.begin() + static_cast<ptrdiff_t>(own), [&](const auto& t) {
                return t.record.ip == c.record.ip && t.record.port == c.record.port;
            });
        if (!taken) {
            table.push_back(c);
        }
    }
    return table;
}

std::wstring ListNotReadText(ListHold hold, const std::wstring& reason) {
    std::wstring text = std::wstring(kRememberedFileName) + L" не прочитан, серверы не подхвачены: " + reason;
    if (hold == ListHold::kUnreadable) {
        text += L"; файл оставлен как есть, чтение будет повторено";
    } else if (hold == ListHold::kRefused) {
        text += L"; файл оставлен как есть до запуска или остановки сервера";
    }
    return text;
}

std::wstring ListReadLateText(int tries) {
    return std::wstring(kRememberedFileName) + L" прочитан с " + std::to_wstring(tries + 1) + L"-й попытки";
}

std::wstring ListNotWrittenText(unsigned long error) {
    return std::wstring(kRememberedFileName) + L" не записан (ошибка " + std::to_wstring(error) +
           L"), запись будет повторена";
}

std::wstring ListWrittenAgainText() {
    return std::wstring(kRememberedFileName) + L" снова записан";
}

const wchar_t* ListNotWrittenMessage(bool atExit) {
    return atExit ? L"Не может записать список серверов brvServers.txt (ошибка %d).\n"
                    L"Остановленные серверы могут быть запущены снова при следующем запуске Brivan."
                  : L"Не может записать список серверов brvServers.txt (ошибка %d).\n"
                    L"Остановленный сервер может быть запущен снова при следующем запуске Brivan.";
}

} // namespace brv
