#pragma once
// A stored value that equals a section header ("[GAME]", " [setmasters] ") would read back as that
// header, and every later entry of its list would land in another list. Such a value is never stored:
// each place that takes one from the operator refuses it with a message, and saving refuses a profile
// that would hold one.
#include "profile/ProfileLists.h"
#include "servers/brvRunSL.h"

#include <optional>
#include <string>
#include <string_view>

namespace brv {

inline constexpr const wchar_t* kMsgValueIsHeader =
    L"Значение '%s' совпадает с заголовком раздела профиля и не может быть сохранено!";

// Whether the value, written as the profile writes it, reads back as a section header.
bool IsHeaderValue(std::wstring_view value);

// The first text of the record or the lists that the profile stores and that reads as a header.
std::optional<std::wstring> FirstHeaderValue(const brvRunSL& record, const ProfileLists& lists);

// The refusal for a value that reads as a header: the message (caption "Ошибка", error icon) and true;
// false, without a message, for any other value.
bool RefuseHeaderValue(void* owner, const std::wstring& value);

} // namespace brv
