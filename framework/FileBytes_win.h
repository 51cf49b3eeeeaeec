#pragma once
// Whole files as bytes, in one place for every folder: the reader, a plain write, and the write of
// bytes to an open file that the text writers and the atomic replace (framework/AtomicFile.h) share.
#include <optional>
#include <string>
#include <string_view>

namespace brv {

// Who else may use a file while it is read.
enum class FileSharing {
    kReaders,  // other readers only: nobody changes the file under the reader
    kEveryone, // others may go on reading, writing and deleting it (a log being written)
};

// A whole file as read: every byte when `error` is 0. When the file opened but a read failed, `bytes`
// holds what came before the failure.
struct WholeFile {
    bool opened = false;
    std::string bytes;
    unsigned long error = 0; // the platform's error code of the failed open or read
};
WholeFile ReadWholeFile(const std::wstring& path, FileSharing sharing = FileSharing::kReaders);

// Every byte of the file, or nothing when it cannot be opened or read to its end. Others may go on
// reading, writing and deleting it meanwhile.
std::optional<std::string> ReadFileBytes(const std::wstring& path);

// Creates or replaces the file with exactly these bytes (no temporary file: for tests and tools).
bool WriteFileBytes(const std::wstring& path, std::string_view bytes);

// Writes all of `bytes` to an open file (a platform HANDLE) at its current position, however many
// they are; false with the platform's error code in `error`.
bool WriteToFile(void* file, std::string_view bytes, unsigned long& error);

} // namespace brv
