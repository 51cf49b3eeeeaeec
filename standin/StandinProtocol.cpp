#include "standin/StandinProtocol.h"

#include <cstdio>

namespace standin {

std::vector<std::wstring> SplitCommandLine(std::wstring_view line) {
    std::vector<std::wstring> words;
    std::wstring word;
    bool inWord = false;
    bool quoted = false;
    for (wchar_t c : line) {
        if (c == L'"') {
            quoted = !quoted;
            inWord = true;
        } else if (!quoted && (c == L' ' || c == L'\t' || c == L'\r' || c == L'\n')) {
            if (inWord) {
                words.push_back(word);
                word.clear();
                inWord = false;
            }
        } else {
            word.push_back(c);
            inWord = true;
        }
    }
    if (inWord) {
        words.push_back(word);
    }
    return words;
}

namespace {

// atoi's reading: optional sign, then digits; anything else ends the number.
long long AtoI(const std::wstring& s) {
    size_t i = 0;
    bool negative = false;
    if (i < s.size() && (s[i] == L'-' || s[i] == L'+')) {
        negative = s[i] == L'-';
        ++i;
    }
    long long v = 0;
    for (; i < s.size() && s[i] >= L'0' && s[i] <= L'9'; ++i) {
        if (v < 1000000000000LL) {
            v = v * 10 + (s[i] - L'0');
        }
    }
    return negative ? -v : v;
}

unsigned Millis(const std::wstring& s) {
    long long v = AtoI(s);
    return v < 0 ? 0u : static_cast<unsigned>(v > 3600000 ? 3600000 : v);
}

} // namespace

ServerArgs ParseServerArgs(std::wstring_view commandLine) {
    ServerArgs a;
    std::vector<std::wstring> w = SplitCommandLine(commandLine);
    for (size_t i = 0; i < w.size(); ++i) {
        const std::wstring& k = w[i];
        const bool hasNext = i + 1 < w.size();
        const std::wstring next = hasNext ? w[i + 1] : std::wstring();
        auto take = [&](std::wstring& field) {
            if (hasNext) {
                field = next;
                ++i;
            }
        };
        auto takeNumber = [&](long long& field) {
            if (hasNext) {
                field = AtoI(next);
                ++i;
            }
        };
        auto takeMillis = [&](unsigned& field) {
            if (hasNext) {
                field = Millis(next);
                ++i;
            }
        };
        if (k == L"-game") {
            take(a.game);
        } else if (k == L"+servercfgfile") {
            take(a.configFile);
        } else if (k == L"+ip") {
            take(a.ip);
        } else if (k == L"+port") {
            take(a.port);
        } else if (k == L"+map") {
            take(a.map);
        } else if (k == L"+maxplayers") {
            take(a.maxPlayers);
        } else if (k == L"+sv_password") {
            if (hasNext && next.rfind(L"+", 0) != 0 && next.rfind(L"-", 0) != 0) {
                a.password = next;
                ++i;
            }
        } else if (k == L"-HFILE") {
            takeNumber(a.hFile);
        } else if (k == L"-HPARENT") {
            takeNumber(a.hParent);
        } else if (k == L"-HCHILD") {
            takeNumber(a.hChild);
        } else if (k == L"-standin_console") {
            a.realConsole = true;
        } else if (k == L"-standin_nowindow") {
            a.noWindow = true;
        } else if (k == L"-standin_delay") {
            takeMillis(a.windowDelayMs);
        } else if (k == L"-standin_lifetime") {
            takeMillis(a.lifetimeMs);
        } else if (k == L"-standin_loadtime") {
            takeMillis(a.loadTimeMs);
        } else if (k == L"-standin_challenge") {
            a.challenge = true;
        }
    }
    return a;
}

std::string ReadHostname(std::string_view text) {
    // The server executes the file line by line, so a later hostname replaces an earlier one.
    std::string hostname;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find('\n', pos);
        if (end == std::string_view::npos) {
            end = text.size();
        }
        std::string_view line = text.substr(pos, end - pos);
        pos = end + 1;
        size_t b = line.find_first_not_of(" \t");
        if (b == std::string_view::npos) {
            continue;
        }
        line.remove_prefix(b);
        constexpr std::string_view key = "hostname";
        if (line.substr(0, key.size()) != key || line.size() == key.size() ||
            (line[key.size()] != ' ' && line[key.size()] != '\t' && line[key.size()] != '"')) {
            continue;
        }
        std::string_view v = line.substr(key.size());
        while (!v.empty() && (v.front() == ' ' || v.front() == '\t')) {
            v.remove_prefix(1);
        }
        while (!v.empty() && (v.back() == '\r' || v.back() == ' ' || v.back() == '\t')) {
            v.remove_suffix(1);
        }
        if (v.size() >= 2 && v.front() == '"' && v.back() == '"') {
            v = v.substr(1, v.size() - 2);
        }
        hostname = std::string(v);
    }
    return hostname;
}

std::string TakeOneLine(std::string_view text) {
    size_t nl = text.find('\n');
    return std::string(nl == std::string_view::npos ? text : text.substr(0, nl + 1));
}

std::string EscapeBytes(std::string_view bytes) {
    std::string out;
    for (unsigned char c : bytes) {
        if (c == '\\') {
            out += "\\\\";
        } else if (c == '\n') {
            out += "\\n";
        } else if (c >= 0x20 && c < 0x7F) {
            out.push_back(static_cast<char>(c));
        } else {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\x%02X", c);
            out += buf;
        }
    }
    return out;
}

std::string LogLine(std::string_view event, uint32_t pid, std::string_view detail) {
    std::string s(event);
    s += " pid=" + std::to_string(pid) + " ";
    s += detail;
    s += "\r\n";
    return s;
}

std::vector<LogEntry> ParseLog(std::string_view text) {
    std::vector<LogEntry> out;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find('\n', pos);
        if (end == std::string_view::npos) {
            break; // a line still being written
        }
        std::string_view line = text.substr(pos, end - pos);
        pos = end + 1;
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        size_t sp = line.find(" pid=");
        if (sp == std::string_view::npos || sp == 0) {
            continue;
        }
        size_t numBegin = sp + 5;
        size_t numEnd = line.find(' ', numBegin);
        if (numEnd == std::string_view::npos || numEnd == numBegin) {
            continue;
        }
        LogEntry e;
        e.event = std::string(line.substr(0, sp));
        for (size_t i = numBegin; i < numEnd; ++i) {
            if (line[i] < '0' || line[i] > '9') {
                e.pid = 0;
                break;
            }
            e.pid = e.pid * 10 + static_cast<uint32_t>(line[i] - '0');
        }
        e.detail = std::string(line.substr(numEnd + 1));
        out.push_back(std::move(e));
    }
    return out;
}

} // namespace standin
