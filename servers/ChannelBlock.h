#pragma once
// The console channel's shared block and the launch's command-line text, without the platform.
#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace brv {

inline constexpr size_t kChannelBlockSize = 0x22000;
inline constexpr int32_t kCommandCode = 2;
inline constexpr size_t kCommandTextOffset = 4;
inline constexpr size_t kCommandTextBytes = 1024;   // NUL included
inline constexpr size_t kLaunchCommandUnits = 4096; // NUL included

// A handle value as the server reads it back with atoi: signed 32-bit decimal.
int32_t HandleNumber(const void* handle);

// " -HFILE %i -HPARENT %i -HCHILD %i"
std::wstring FormatChannelArgs(const void* mapping, const void* parentEvent, const void* childEvent);

// UTF-16 code units of a text as the platform counts them (a character beyond the BMP takes two).
size_t Utf16Units(std::wstring_view text);

// Puts command line and channel arguments, NUL-terminated, into the launch buffer. False, leaving the
// buffer untouched, when the whole does not fit.
bool FillLaunchCommand(std::array<wchar_t, kLaunchCommandUnits>& buffer, const std::wstring& commandLine,
                       const std::wstring& channelArgs);

// Converts a whole text to 8-bit bytes (the platform's ANSI code page in the program).
using ByteEncoder = std::function<std::string(std::wstring_view)>;

// The command's 8-bit form, at most maxBytes long. A longer command is cut on a character boundary;
// its line end (a trailing "\n", with the blank before it) is kept, so the server still submits the
// line and the cut text cannot run into the next command.
std::string FitCommandText(std::wstring_view command, const ByteEncoder& encode,
                           size_t maxBytes = kCommandTextBytes - 1);

// Writes code 2 and the NUL-terminated text (at most kCommandTextBytes - 1 bytes are taken).
void WriteCommandBlock(unsigned char* block, std::string_view text);

// True while the block holds a request the server has not taken (code still 2).
bool CommandPending(const unsigned char* block);

} // namespace brv
