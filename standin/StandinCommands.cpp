#include "standin/StandinCommands.h"

#include <optional>

namespace standin {

namespace {

std::string_view Trim(std::string_view s) {
    const char* blanks = " \t\r\n";
    size_t b = s.find_first_not_of(blanks);
    if (b == std::string_view::npos) {
        return {};
    }
    return s.substr(b, s.find_last_not_of(blanks) - b + 1);
}

// Digits only, in the given base, no more than `limit`.
std::optional<uint64_t> Number(std::string_view s, unsigned base, uint64_t limit) {
    if (s.empty()) {
        return std::nullopt;
    }
    uint64_t v = 0;
    for (char c : s) {
        unsigned d = 0;
        if (c >= '0' && c <= '9') {
            d = static_cast<unsigned>(c - '0');
        } else if (base == 16 && c >= 'a' && c <= 'f') {
            d = static_cast<unsigned>(c - 'a' + 10);
        } else if (base == 16 && c >= 'A' && c <= 'F') {
            d = static_cast<unsigned>(c - 'A' + 10);
        } else {
            return std::nullopt;
        }
        if (d >= base) {
            return std::nullopt;
        }
        v = v * base + d;
        if (v > limit) {
            return std::nullopt;
        }
    }
    return v;
}

} // namespace

Command ParseCommand(std::string_view line) {
    Command c;
    std::string_view t = Trim(line);
    c.text = std::string(t);
    static constexpr struct {
        std::string_view word;
        CommandKind kind;
    } kWords[] = {
        {"status", CommandKind::Status},
        {"quit", CommandKind::Quit},
        {"crash", CommandKind::Crash},
        {"crash2", CommandKind::Crash2},
        {"launcher_error", CommandKind::LauncherError},
        {"access_violation", CommandKind::AccessViolation},
        {"hang", CommandKind::Hang},
        {"console_mode", CommandKind::ConsoleMode},
    };
    for (const auto& w : kWords) {
        if (t == w.word) {
            c.kind = w.kind;
            return c;
        }
    }
    constexpr std::string_view stall = "stall";
    if (t.substr(0, stall.size()) == stall && t.size() > stall.size() &&
        (t[stall.size()] == ' ' || t[stall.size()] == '\t')) {
        if (auto n = Number(Trim(t.substr(stall.size())), 10, kMaxStallSeconds)) {
            c.kind = CommandKind::Stall;
            c.seconds = static_cast<unsigned>(*n);
        }
    }
    return c;
}

std::wstring DieFileFor(std::wstring_view port) {
    return L"standin-" + std::wstring(port) + L".die";
}

uint32_t DieExitCode(std::string_view fileText) {
    std::string_view t = Trim(fileText);
    std::optional<uint64_t> v;
    if (t.size() > 2 && t[0] == '0' && (t[1] == 'x' || t[1] == 'X')) {
        v = Number(t.substr(2), 16, 0xFFFFFFFFu);
    } else if (!t.empty() && t[0] == '-') {
        if (auto n = Number(t.substr(1), 10, 0x80000000u)) {
            v = (0x100000000u - *n) & 0xFFFFFFFFu;
        }
    } else {
        v = Number(t, 10, 0xFFFFFFFFu);
    }
    return v ? static_cast<uint32_t>(*v) : 1u;
}

} // namespace standin
