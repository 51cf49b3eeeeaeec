#include "journal/JournalTexts.h"

#include "journal/ExitCodes.h"
#include "journal/PasswordMask.h"

namespace brv {
namespace {

std::wstring Pid(uint32_t processId) {
    return L"PID " + std::to_wstring(processId);
}

} // namespace

std::wstring BrivanStartedText(const std::wstring& version, const std::wstring& workDir) {
    return L"Brivan " + version + L" запущен, рабочая папка: " + workDir;
}

std::wstring BrivanEndedText(BrivanEnd how) {
    switch (how) {
    case BrivanEnd::ExitButton:
        return L"Brivan завершён кнопкой «Выход»";
    case BrivanEnd::CloseApp:
        return L"Brivan завершён по запросу программы установки, серверы оставлены работать";
    case BrivanEnd::SessionEnd:
        break;
    }
    return L"Brivan завершён: заканчивается сеанс Windows";
}

std::wstring SessionKeptText(uint32_t waitedSeconds) {
    return L"Сеанс Windows не закончился за " + std::to_wstring(waitedSeconds) +
           L" с после запроса о его конце, слежение за серверами возобновлено";
}

std::wstring JournalDroppedText(uint64_t lines) {
    return L"Журнал был недоступен для записи, пропущено записей: " + std::to_wstring(lines);
}

std::wstring JournalUnwritableText(const std::string& since, unsigned long errorCode) {
    return L"Журнал не удавалось записать с " + std::wstring(since.begin(), since.end()) + L" (ошибка " +
           std::to_wstring(errorCode) + L"), записи этого времени ждали в памяти и дописаны";
}

std::wstring WebhookFailedText(const std::wstring& reason) {
    return L"Веб-хук не принял уведомление (" + reason +
           L"); до первой удачной отправки ошибки не записываются";
}

std::wstring StartText(const std::wstring& title, uint32_t processId, const std::wstring& commandLine,
                       const std::vector<std::wstring>& passwords) {
    return title + L": сервер запущен, " + Pid(processId) + L", командная строка: " +
           MaskPasswords(commandLine, passwords);
}

std::wstring StopText(const std::wstring& title, uint32_t processId, StopBy by) {
    return title + L": сервер остановлен оператором (" +
           (by == StopBy::StopButton ? L"кнопка остановки" : L"выход из Brivan") + L"), " + Pid(processId);
}

std::wstring ExitText(const std::wstring& title, uint32_t processId, uint32_t exitCode,
                      uint64_t uptimeSeconds) {
    return title + L": процесс сервера завершился, " + Pid(processId) + L", код " + ExitCodeText(exitCode) +
           L", проработал " + UptimeText(uptimeSeconds);
}

std::wstring WindowText(const std::wstring& serverTitle, uint32_t ownerProcessId,
                        const std::wstring& windowTitle, const std::wstring& message) {
    std::wstring text = serverTitle.empty() ? std::wstring() : serverTitle + L": ";
    text += L"закрыто окно «" + windowTitle + L"» процесса " + Pid(ownerProcessId) + L": ";
    text += message.empty() ? L"(без текста)" : message;
    return text;
}

std::wstring DelayText(const std::wstring& title, uint32_t quickDeaths, uint32_t delaySeconds) {
    return title + L": " + std::to_wstring(quickDeaths) + L"-е быстрое падение подряд, перезапуск через " +
           std::to_wstring(delaySeconds) + L" с";
}

std::wstring FailReasonText(FailReason reason) {
    switch (reason) {
    case FailReason::PortBusy:
        return L"порт занят";
    case FailReason::ProgramMissing:
        return L"нет файла hlds.exe";
    case FailReason::ProcessNotCreated:
        return L"процесс не создан";
    case FailReason::ChannelNotCreated:
        return L"канал консоли не создан";
    case FailReason::LaunchRefused:
        return L"запуск отклонён";
    case FailReason::NoPriority:
        return L"не выбран приоритет";
    case FailReason::Unexpected:
        return L"непредвиденная ошибка";
    }
    return L"процесс не создан";
}

std::wstring FailText(const std::wstring& title, FailReason reason, long errorCode, uint32_t retrySeconds) {
    return title + L": перезапуск не удался (" + FailReasonText(reason) + L", ошибка " +
           std::to_wstring(errorCode) + L"), следующая попытка через " + std::to_wstring(retrySeconds) +
           L" с";
}

std::wstring HangText(const std::wstring& title, uint32_t processId, uint64_t silentSeconds) {
    return title + L": сервер не отвечает " + std::to_wstring(silentSeconds) + L" с, процесс " +
           Pid(processId) + L" завершён";
}

std::wstring AdoptText(const std::wstring& title, uint32_t processId) {
    return title + L": подхвачен уже работающий сервер, " + Pid(processId);
}

std::wstring RestoreText(const std::wstring& title) {
    return title + L": сервер запущен снова после перезагрузки или конца сеанса";
}

std::wstring ScheduledWarningText(const std::wstring& title, int minutes) {
    return title + L": предупреждение о плановом перезапуске через " + std::to_wstring(minutes) + L" мин.";
}

std::wstring ScheduledQuitText(const std::wstring& title) {
    return title + L": плановый перезапуск, отправлена команда quit";
}

std::wstring ScheduledKillText(const std::wstring& title, uint32_t processId, int waitedSeconds) {
    return title + L": сервер не завершился за " + std::to_wstring(waitedSeconds) +
           L" с после quit, процесс " + Pid(processId) + L" завершён";
}

std::wstring RemoteOnText(const std::wstring& where, bool control, bool token) {
    return L"удалённый доступ: слушает " + where +
           (control ? L", управление разрешено" : L", только просмотр") +
           (token ? L"" : L"; токен не задан: API закрыт, /metrics только для 127.0.0.1");
}

std::wstring RemoteExposedText(const std::wstring& where) {
    return L"внимание: удалённый доступ слушает не петлевой адрес " + where +
           L"; без TLS — только за обратным прокси или туннелем";
}

std::wstring RemoteBindFailedText(const std::wstring& where, long errorCode) {
    return L"удалённый доступ: не удалось занять " + where + L" (ошибка " + std::to_wstring(errorCode) + L")";
}

std::wstring RemoteOffText() {
    return L"удалённый доступ выключен";
}

std::wstring RemoteActionText(const std::wstring& caller, const std::wstring& action,
                              const std::wstring& title, const std::wstring& result) {
    return caller + L" " + action + L" «" + title + L"»: " + result;
}

} // namespace brv
