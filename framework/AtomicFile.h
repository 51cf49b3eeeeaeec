#pragma once
// Replaces a file whole or not at all: the bytes go to a temporary file beside it, which then takes
// the old file's place. A failure leaves the old file exactly as it was.
#include "framework/Messages.h"

#include <string>
#include <string_view>

namespace brv {

// File attributes, with the platform's values.
inline constexpr unsigned long kFileAttrHidden = 0x2;
inline constexpr unsigned long kFileAttrSystem = 0x4;
inline constexpr unsigned long kFileAttrNormal = 0x80;
inline constexpr unsigned long kFileAttrHiddenSystem = kFileAttrHidden | kFileAttrSystem;

// Writes `bytes` to `path` with `attributes`. On failure shows `failureMessage` (its %d becomes the
// platform's error code) once, with the caption "Ошибка" and the error icon, and returns false.
bool WriteFileAtomically(const std::wstring& path, std::string_view bytes, unsigned long attributes,
                         const wchar_t* failureMessage = kMsgCannotWrite);

// The same without a message, for writes nobody waits at the screen for: false with the platform's
// error code in `error`.
bool ReplaceFileWhole(const std::wstring& path, std::string_view bytes, unsigned long attributes,
                      unsigned long& error);

} // namespace brv
