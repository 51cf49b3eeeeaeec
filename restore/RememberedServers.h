#pragma once
// The servers that run, kept in a second file beside the profile, so that a new Brivan can adopt the
// servers that still run and start again those that the machine took. This is the text layout only:
// the file itself is read and written in RememberedFile_win.
//
// Layout (UTF-16LE without a mark, every line ending with CR LF):
//   brvServers 1                       the layout and its version
//   [SERVER]                           then one line per field, in a fixed order, "key=value"
//   pid=..., created=..., ...          (values escaped: "\\" "\r" "\n" and "\xHH" for other controls)
//   END <count> <CRC-32>               the number of entries and the CRC-32 (8 upper-case hex digits)
//                                      of every byte before this line
// A file is read only when it is whole and exactly of this layout; anything else is refused with the
// reason, so a half-written or damaged file never brings back a server.
#include "servers/brvRunSL.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace brv {

inline constexpr const wchar_t* kRememberedFileName = L"brvServers.txt";
inline constexpr int kRememberedLayout = 1;

struct RememberedServer {
    // The record as launched: settings, paths, command line with its channel arguments, title. Its own
    // running state (handles, process, console window) is empty: it belongs to the Brivan that wrote it.
    brvRunSL record;
    uint32_t processId = 0;
    uint64_t creationTime = 0; // the process's creation time, 100 ns units since 1601 (a FILETIME)
    uint32_t priorityClass = 0;
    // The channel's handle values as the server knows them (its -HFILE, -HPARENT, -HCHILD).
    int64_t serverMapping = 0;
    int64_t serverParentEvent = 0;
    int64_t serverChildEvent = 0;
};

// The entry for a running server. The handle values come from the record's channel arguments, which
// stay what the server was told even after an adoption gave this Brivan handles of other values; a
// record without them falls back to its own handle values (equal to the server's after a launch).
RememberedServer RememberServer(const brvRunSL& record, uint32_t processId, uint64_t creationTime,
                                uint32_t priorityClass);

// The title a launch gives the record's server: "name - port".
std::wstring ServerTitleOf(const brvRunSL& record);

// Reads " -HFILE a -HPARENT b -HCHILD c" as the launch writes it; false when it is not of that form.
bool ParseChannelArgs(std::wstring_view args, int64_t& mapping, int64_t& parentEvent, int64_t& childEvent);

// The whole file's text and bytes for these entries (none gives a valid, empty list).
std::wstring ComposeRemembered(const std::vector<RememberedServer>& servers);
std::string RememberedBytes(const std::vector<RememberedServer>& servers);

struct RememberedRead {
    bool valid = false;
    std::vector<RememberedServer> servers; // empty unless valid
    std::wstring reason;                   // why the file was refused, for the journal; empty when valid
};

// Reads the file's bytes; all or nothing.
RememberedRead ReadRemembered(std::string_view bytes);

// The file's path in a working directory.
std::wstring RememberedFilePath(const std::wstring& workDir);

} // namespace brv
