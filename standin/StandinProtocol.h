#pragma once
// What the stand-in server reads from its command line and config file, and how it writes its log.
// Portable so the parsing is tested natively; the stand-in and the tests share it.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace standin {

struct ServerArgs {
    std::wstring game;          // word after -game
    std::wstring configFile;    // +servercfgfile
    std::wstring ip;            // +ip
    std::wstring port;          // +port
    std::wstring map;           // +map
    std::wstring maxPlayers;    // +maxplayers
    std::wstring password;      // +sv_password (empty: none)
    long long hFile = 0;        // -HFILE (0: channel off)
    long long hParent = 0;      // -HPARENT
    long long hChild = 0;       // -HCHILD
    bool realConsole = false;   // -standin_console: a real console, commands typed into it
    bool noWindow = false;      // -standin_nowindow: never show a console window
    unsigned windowDelayMs = 0; // -standin_delay <ms>: wait before the console window appears
    unsigned lifetimeMs = 0;    // -standin_lifetime <ms>: end on its own (0: never)
    unsigned loadTimeMs = 0;    // -standin_loadtime <ms>: answer no query that soon after the start
    bool challenge = false;     // -standin_challenge: answer the info query only with the challenge

    bool ChannelOn() const { return hFile != 0 && hParent != 0 && hChild != 0; }
};

// Splits a command line into words: blanks separate, double quotes group (and are dropped).
std::vector<std::wstring> SplitCommandLine(std::wstring_view line);

// Reads the options above; unknown words are ignored, numbers are read like atoi (garbage gives 0).
// A "+" command's value ends at the next word that begins with "+" or "-", as the engine reads it, so
// "+sv_password  -insecure" sets no password.
ServerArgs ParseServerArgs(std::wstring_view commandLine);

// The value of the last "hostname" line of a config file's text, without surrounding quotes.
std::string ReadHostname(std::string_view configText);

// The first line of a channel request: the text up to and including its first line feed.
std::string TakeOneLine(std::string_view text);

// Bytes made readable for the log: printable ASCII as is, backslash as "\\", line feed as "\n",
// every other byte as "\xNN".
std::string EscapeBytes(std::string_view bytes);

// One log line (with its CR LF): "<event> pid=<pid> <detail>".
std::string LogLine(std::string_view event, uint32_t pid, std::string_view detail);

struct LogEntry {
    std::string event;
    uint32_t pid = 0;
    std::string detail;
};
// Reads a whole log back; lines that do not have the form above are skipped.
std::vector<LogEntry> ParseLog(std::string_view text);

} // namespace standin
