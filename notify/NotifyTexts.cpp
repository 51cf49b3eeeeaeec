#include "notify/NotifyTexts.h"

#include "journal/ExitCodes.h"
#include "journal/JournalLine.h"

namespace brv {

std::wstring ExitNoticeText(uint32_t exitCode) {
    return L"Сервер упал, код " + ExitCodeText(exitCode) + L". Перезапускается.";
}

std::wstring WindowNoticeText(const std::wstring& message) {
    return L"Закрыто окно ошибки: " + (message.empty() ? std::wstring(L"(без текста)") : OneLine(message));
}

std::wstring FailNoticeText(FailReason reason, uint32_t retrySeconds) {
    return L"Перезапуск не удался: " + FailReasonText(reason) + L". Новая попытка через " +
           std::to_wstring(retrySeconds) + L" с.";
}

std::wstring HangNoticeText(uint64_t silentSeconds) {
    return L"Сервер не отвечал " + std::to_wstring(silentSeconds) + L" с. Перезапускается.";
}

std::wstring LoopStartNoticeText(uint32_t delaySeconds) {
    return L"Падает сразу после запуска. Перезапуск через " + std::to_wstring(delaySeconds) +
           L" с, дальше задержка растёт.";
}

std::wstring LoopEndNoticeText(uint32_t quickDeathSeconds) {
    return L"Снова работает дольше " + std::to_wstring(quickDeathSeconds) + L" с. Перезапуски без задержки.";
}

std::wstring WebhookContent(const std::wstring& title, const std::wstring& text) {
    return L"Brivan: " + title + L": " + text;
}

std::wstring BalloonLines(const std::wstring& text) {
    std::wstring lines;
    for (size_t i = 0; i < text.size(); ++i) {
        // A full stop ends a sentence only before a blank and a capital, not inside "0x0" or "5.1".
        if (text[i] == L' ' && i > 0 && text[i - 1] == L'.' && i + 1 < text.size() &&
            ((text[i + 1] >= L'А' && text[i + 1] <= L'Я') || (text[i + 1] >= L'A' && text[i + 1] <= L'Z'))) {
            lines += L'\n';
        } else {
            lines += text[i];
        }
    }
    return lines;
}

std::wstring FitText(const std::wstring& text, size_t maxChars) {
    if (text.size() <= maxChars) {
        return text;
    }
    if (maxChars == 0) {
        return {};
    }
    size_t keep = maxChars - 1;
    if (keep > 0 && static_cast<uint32_t>(text[keep - 1]) >= 0xD800 &&
        static_cast<uint32_t>(text[keep - 1]) <= 0xDBFF) {
        --keep; // a high surrogate whose partner would be cut off
    }
    return text.substr(0, keep) + L"…";
}

} // namespace brv
