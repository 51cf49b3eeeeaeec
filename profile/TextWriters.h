#pragma once
// The three text writers: one text to an open file (a platform HANDLE) at its current position, with
// no terminator and no length limit. A failed write shows "Не может записать в файл (ошибка %d)\n"
// once and returns false.
#include <string>

namespace brv {

bool WriteTextWide(void* file, const std::wstring& text); // UTF-16LE
bool WriteTextUtf8(const std::wstring& text, void* file); // code page 65001
bool WriteTextAnsi(const std::wstring& text, void* file); // code page 1251, as the platform converts it

} // namespace brv
