#pragma once
// Message texts and captions of the launch and the stop flows.
#include <string>

namespace brv {

inline constexpr const wchar_t* kMsgNoWinsock = L"Не могу загрузить WinSock";
inline constexpr const wchar_t* kMsgNoSocket = L"Не могу создать сокет";
inline constexpr const wchar_t* kMsgNoChannel = L"Виртуальный файл не создан";
inline constexpr const wchar_t* kCaptionLaunchRefused = L"Отказ в запуске сервера";
inline constexpr const wchar_t* kMsgCommandTooLong =
    L"Командная строка сервера слишком длинная (%d символов при допустимых %d).\n"
    L"Сократите дополнительные параметры.";
// A priority class from the profile that is none of the platform's six (%s: as the profile writes it).
inline constexpr const wchar_t* kMsgBadPriority = L"Недопустимый приоритет процесса %s в профиле.\n"
                                                  L"Допустимы только 40, 4000, 20, 8000, 80 и 100.";
// The server's program exists but cannot be run (%d: the platform's error code).
inline constexpr const wchar_t* kMsgCannotStartServer = L"Не может запустить hlds.exe (ошибка %d)\n";
inline constexpr const wchar_t* kMsgAskStop = L"\n Вы действительно хотите закрыть сервер?";
inline constexpr const wchar_t* kCaptionAskStop = L"Запрос на остановку сервера";
inline constexpr const wchar_t* kMsgAskExit = L"\n Вы действительно хотите выйти и закрыть все серверы?";
inline constexpr const wchar_t* kCaptionAskExit = L"Запрос на выход";

// "Возможно порт <port> уже используется \n или неправильно введен IP адрес <ip> !"
std::wstring FormatPortMessage(const std::wstring& port, const std::wstring& ip);
// A server of this title (name and port) already runs or waits for its restart: commands, the stop
// button and the daily restart find a server by its title.
std::wstring FormatTitleInUse(const std::wstring& title);

// The over-long command line message with its length and the limit (both without the NUL).
std::wstring FormatCommandTooLong(size_t units, size_t limit);

} // namespace brv
