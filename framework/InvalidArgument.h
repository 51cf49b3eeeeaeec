#pragma once
// The invalid-argument error: an index outside a list or table. The dialog routing catches it around
// every handler, shows kInvalidArgumentText with the caption "Ошибка" and abandons that handler only.
#include <stdexcept>

namespace brv {

inline constexpr const wchar_t* kInvalidArgumentText = L"Обнаружен недопустимый аргумент.";

class InvalidArgumentError : public std::invalid_argument {
public:
    InvalidArgumentError() : std::invalid_argument("invalid argument") {}
};

[[noreturn]] inline void ThrowInvalidArgument() {
    throw InvalidArgumentError();
}

// Element i of a list, or the invalid-argument error when i is outside it.
template <class List> auto& CheckedAt(List& list, long long i) {
    if (i < 0 || static_cast<unsigned long long>(i) >= list.size()) {
        ThrowInvalidArgument();
    }
    return list[static_cast<size_t>(i)];
}

} // namespace brv
