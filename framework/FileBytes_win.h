#pragma once
// Whole-file reads and plain writes for the stand-in and the tests. The program's own files go through
// the atomic writer in profile/AtomicFile.h instead.
#include <optional>
#include <string>
#include <string_view>

namespace brv {

// Every byte of the file, or nothing when it cannot be opened or read. Other programs may go on
// reading, writing and deleting it meanwhile.
std::optional<std::string> ReadFileBytes(const std::wstring& path);

// Creates or replaces the file with exactly these bytes.
bool WriteFileBytes(const std::wstring& path, std::string_view bytes);

} // namespace brv
