#include "servers/ServerMessages.h"

namespace brv {

std::wstring FormatPortMessage(const std::wstring& port, const std::wstring& ip) {
    return L"Возможно порт " + port + L" уже используется \n или неправильно введен IP адрес " + ip + L" !";
}

std::wstring FormatTitleInUse(const std::wstring& title) {
    return L"Сервер " + title + L" уже запущен!\nИзмените имя сервера или порт.";
}

std::wstring FormatCommandTooLong(size_t units, size_t limit) {
    std::wstring text = kMsgCommandTooLong;
    for (size_t v : {units, limit}) {
        size_t at = text.find(L"%d");
        text.replace(at, 2, std::to_wstring(v));
    }
    return text;
}

} // namespace brv
