#pragma once
// Message texts and captions shared by several parts of the program.
#include <string>

namespace brv {

inline constexpr const wchar_t* kCaptionError = L"Ошибка";
inline constexpr const wchar_t* kMsgCannotWrite = L"Не может записать в файл (ошибка %d)\n";
inline constexpr const wchar_t* kMsgCannotRead = L"Не может прочитать файл (ошибка %d)\n";
inline constexpr const wchar_t* kMsgCannotWriteResource = L"Не может записать ресурс в файл (ошибка %d)\n";

// Puts a platform error code (signed decimal) in place of the one %d of a message text.
std::wstring FormatErrorCode(const wchar_t* pattern, long code);

} // namespace brv
