#include "restore/RememberedServers.h"

#include "framework/Text.h"
#include "profile/WorkDir.h"
#include "restore/Crc32.h"
#include "restore/RememberedText.h"

#include <array>
#include <limits>
#include <optional>

namespace brv {
namespace {

constexpr std::wstring_view kMagic = L"brvServers";
constexpr std::wstring_view kEntryHeader = L"[SERVER]";
constexpr std::wstring_view kEnd = L"END";

struct TextField {
    const wchar_t* key;
    std::wstring brvRunSL::*field;
};

// Every text of the record, in the order of the file.
constexpr std::array<TextField, 18> kTextFields = {{
    {L"title", &brvRunSL::serverTitle},
    {L"name", &brvRunSL::serverName},
    {L"ip", &brvRunSL::ip},
    {L"port", &brvRunSL::port},
    {L"map", &brvRunSL::map},
    {L"players", &brvRunSL::playerCount},
    {L"rcon", &brvRunSL::rconPassword},
    {L"gamepassword", &brvRunSL::gamePassword},
    {L"extra", &brvRunSL::extraParams},
    {L"commandline", &brvRunSL::commandLine},
    {L"channelargs", &brvRunSL::channelArgs},
    {L"workdir", &brvRunSL::workDir},
    {L"exe", &brvRunSL::serverExePath},
    {L"profile", &brvRunSL::profilePath},
    {L"servercfg", &brvRunSL::serverConfigPath},
    {L"brivancfg", &brvRunSL::generatedConfigPath},
    {L"consolecommand", &brvRunSL::consoleCommand},
    {L"selectedtitle", &brvRunSL::selectedServerTitle},
}};

struct IntField {
    const wchar_t* key;
    int32_t brvRunSL::*field;
};

constexpr std::array<IntField, 3> kIntFields = {{
    {L"startmap", &brvRunSL::startMapIndex},
    {L"activeserver", &brvRunSL::activeServerIndex},
    {L"network", &brvRunSL::networkType},
}};

void Line(std::wstring& out, std::wstring_view key, std::wstring_view value) {
    out.append(key);
    out.push_back(L'=');
    out.append(value);
    out.append(L"\r\n");
}

// A copy holding the settings only: the running state is the writing Brivan's own.
brvRunSL SettingsOnly(const brvRunSL& r) {
    brvRunSL s = r;
    s.workDirBuffer.fill(L'\0');
    s.launchCommand.fill(L'\0');
    s.mapping = s.parentEvent = s.childEvent = nullptr;
    s.process = nullptr;
    s.processId = 0;
    s.launchResult = 0;
    s.consoleWindow = nullptr;
    return s;
}

// Reads the lines of one entry, in the fixed order; the first failure is kept as the reason.
class EntryReader {
public:
    EntryReader(const std::vector<std::wstring>& lines, size_t& at) : m_lines(lines), m_at(at) {}

    std::optional<RememberedServer> Read() {
        RememberedServer e;
        if (!Header() || !Unsigned(L"pid", e.processId) || !Unsigned(L"created", e.creationTime) ||
            !Unsigned(L"priority", e.priorityClass) || !Signed(L"hfile", e.serverMapping) ||
            !Signed(L"hparent", e.serverParentEvent) || !Signed(L"hchild", e.serverChildEvent)) {
            return std::nullopt;
        }
        for (const TextField& f : kTextFields) {
            std::wstring_view raw;
            if (!Value(f.key, raw)) {
                return std::nullopt;
            }
            if (!UnescapeValue(raw, e.record.*(f.field))) {
                return Fail(L"недопустимая запись значения «" + std::wstring(f.key) + L"»");
            }
        }
        for (const IntField& f : kIntFields) {
            int64_t v = 0;
            if (!Signed(f.key, v)) {
                return std::nullopt;
            }
            if (v < INT32_MIN || v > INT32_MAX) {
                return Fail(L"число «" + std::wstring(f.key) + L"» вне допустимого диапазона");
            }
            e.record.*(f.field) = static_cast<int32_t>(v);
        }
        return e;
    }

    const std::wstring& Reason() const { return m_reason; }

private:
    std::nullopt_t Fail(const std::wstring& why) {
        m_reason = L"строка " + std::to_wstring(m_at + 1) + L": " + why;
        return std::nullopt;
    }

    bool Header() {
        if (m_at >= m_lines.size() || m_lines[m_at] != kEntryHeader) {
            Fail(L"ожидалось «[SERVER]»");
            return false;
        }
        ++m_at;
        return true;
    }

    bool Value(std::wstring_view key, std::wstring_view& value) {
        if (m_at >= m_lines.size()) {
            Fail(L"ожидалось «" + std::wstring(key) + L"=»");
            return false;
        }
        std::wstring_view line = m_lines[m_at];
        if (line.size() <= key.size() || line.substr(0, key.size()) != key || line[key.size()] != L'=') {
            Fail(L"ожидалось «" + std::wstring(key) + L"=»");
            return false;
        }
        value = line.substr(key.size() + 1);
        ++m_at;
        return true;
    }

    template <class T> bool Unsigned(std::wstring_view key, T& out) {
        std::wstring_view raw;
        if (!Value(key, raw)) {
            return false;
        }
        uint64_t v = 0;
        if (!ParseDecimal(raw, false, v) || v > std::numeric_limits<T>::max()) {
            Fail(L"недопустимое число «" + std::wstring(key) + L"»");
            return false;
        }
        out = static_cast<T>(v);
        return true;
    }

    bool Signed(std::wstring_view key, int64_t& out) {
        std::wstring_view raw;
        if (!Value(key, raw)) {
            return false;
        }
        const bool negative = !raw.empty() && raw[0] == L'-';
        uint64_t v = 0;
        if (!ParseDecimal(negative ? raw.substr(1) : raw, negative, v) ||
            v > (negative ? uint64_t{1} << 63 : uint64_t{INT64_MAX})) {
            Fail(L"недопустимое число «" + std::wstring(key) + L"»");
            return false;
        }
        out = negative ? static_cast<int64_t>(0 - v) : static_cast<int64_t>(v);
        return true;
    }

    const std::vector<std::wstring>& m_lines;
    size_t& m_at;
    std::wstring m_reason;
};

// "END <count> <crc>" with the canonical spelling the writer uses.
bool ParseEndLine(std::wstring_view line, uint64_t& count, uint32_t& crc) {
    if (line.size() < kEnd.size() + 2 || line.substr(0, kEnd.size()) != kEnd || line[kEnd.size()] != L' ') {
        return false;
    }
    line.remove_prefix(kEnd.size() + 1);
    const size_t blank = line.find(L' ');
    if (blank == std::wstring_view::npos || !ParseDecimal(line.substr(0, blank), false, count)) {
        return false;
    }
    return ParseHex32(line.substr(blank + 1), crc);
}

RememberedRead Refuse(std::wstring reason) {
    RememberedRead r;
    r.reason = std::move(reason);
    return r;
}

} // namespace

std::wstring ServerTitleOf(const brvRunSL& record) {
    return record.serverName + L" - " + record.port;
}

bool ParseChannelArgs(std::wstring_view args, int64_t& mapping, int64_t& parentEvent, int64_t& childEvent) {
    const std::array<std::wstring_view, 3> names = {L" -HFILE ", L" -HPARENT ", L" -HCHILD "};
    std::array<int64_t, 3> values{};
    for (size_t i = 0; i < names.size(); ++i) {
        if (args.substr(0, names[i].size()) != names[i]) {
            return false;
        }
        args.remove_prefix(names[i].size());
        size_t end = args.find(L' ');
        std::wstring_view number = args.substr(0, end);
        args.remove_prefix(number.size());
        const bool negative = !number.empty() && number[0] == L'-';
        uint64_t v = 0;
        if (!ParseDecimal(negative ? number.substr(1) : number, negative, v) ||
            v > (negative ? uint64_t{1} << 31 : uint64_t{INT32_MAX})) {
            return false;
        }
        values[i] = negative ? -static_cast<int64_t>(v) : static_cast<int64_t>(v);
    }
    if (!args.empty()) {
        return false;
    }
    mapping = values[0];
    parentEvent = values[1];
    childEvent = values[2];
    return true;
}

RememberedServer RememberServer(const brvRunSL& record, uint32_t processId, uint64_t creationTime,
                                uint32_t priorityClass) {
    RememberedServer e;
    e.record = SettingsOnly(record);
    e.processId = processId;
    e.creationTime = creationTime;
    e.priorityClass = priorityClass;
    if (!ParseChannelArgs(record.channelArgs, e.serverMapping, e.serverParentEvent, e.serverChildEvent)) {
        e.serverMapping = reinterpret_cast<intptr_t>(record.mapping);
        e.serverParentEvent = reinterpret_cast<intptr_t>(record.parentEvent);
        e.serverChildEvent = reinterpret_cast<intptr_t>(record.childEvent);
    }
    return e;
}

std::wstring ComposeRemembered(const std::vector<RememberedServer>& servers) {
    std::wstring out;
    out.append(kMagic);
    out.append(L" " + std::to_wstring(kRememberedLayout) + L"\r\n");
    for (const RememberedServer& e : servers) {
        out.append(kEntryHeader);
        out.append(L"\r\n");
        Line(out, L"pid", std::to_wstring(e.processId));
        Line(out, L"created", std::to_wstring(e.creationTime));
        Line(out, L"priority", std::to_wstring(e.priorityClass));
        Line(out, L"hfile", std::to_wstring(e.serverMapping));
        Line(out, L"hparent", std::to_wstring(e.serverParentEvent));
        Line(out, L"hchild", std::to_wstring(e.serverChildEvent));
        for (const TextField& f : kTextFields) {
            Line(out, f.key, EscapeValue(e.record.*(f.field)));
        }
        for (const IntField& f : kIntFields) {
            Line(out, f.key, std::to_wstring(e.record.*(f.field)));
        }
    }
    const uint32_t crc = Crc32(ToUtf16Le(out));
    out.append(kEnd);
    out.append(L" " + std::to_wstring(servers.size()) + L" " + Hex32(crc) + L"\r\n");
    return out;
}

std::string RememberedBytes(const std::vector<RememberedServer>& servers) {
    return ToUtf16Le(ComposeRemembered(servers));
}

RememberedRead ReadRemembered(std::string_view bytes) {
    if (bytes.empty()) {
        return Refuse(L"файл пуст");
    }
    Utf16Lines split = SplitUtf16Lines(bytes);
    if (!split.lines.empty()) {
        // The layout line decides first: an older or foreign file gets that reason, not a damage report.
        const std::wstring& first = split.lines.front();
        if (first.substr(0, kMagic.size()) != kMagic || first.size() < kMagic.size() + 2 ||
            first[kMagic.size()] != L' ') {
            return Refuse(L"это не список серверов Brivan");
        }
        uint64_t version = 0;
        if (!ParseDecimal(std::wstring_view(first).substr(kMagic.size() + 1), false, version) ||
            version != static_cast<uint64_t>(kRememberedLayout)) {
            return Refuse(L"формат «" + first.substr(kMagic.size() + 1) + L"» не поддерживается (ожидается " +
                          std::to_wstring(kRememberedLayout) + L")");
        }
    }
    if (!split.whole) {
        return Refuse(L"файл оборван или повреждён: " + split.fault);
    }
    uint64_t count = 0;
    uint32_t crc = 0;
    if (split.lines.size() < 2 || !ParseEndLine(split.lines.back(), count, crc)) {
        return Refuse(L"файл оборван: нет конечной строки");
    }
    if (Crc32(bytes.substr(0, split.lastLineOffset)) != crc) {
        return Refuse(L"контрольная сумма не сходится: файл повреждён");
    }
    RememberedRead read;
    size_t at = 1;
    const size_t end = split.lines.size() - 1;
    std::vector<std::wstring> body(split.lines.begin(), split.lines.begin() + static_cast<ptrdiff_t>(end));
    while (at < end) {
        EntryReader reader(body, at);
        std::optional<RememberedServer> e = reader.Read();
        if (!e) {
            return Refuse(reader.Reason());
        }
        read.servers.push_back(std::move(*e));
    }
    if (read.servers.size() != count) {
        return Refuse(L"в конечной строке записей " + std::to_wstring(count) + L", а в файле " +
                      std::to_wstring(read.servers.size()));
    }
    read.valid = true;
    return read;
}

std::wstring RememberedFilePath(const std::wstring& workDir) {
    return JoinPath(workDir, kRememberedFileName);
}

} // namespace brv
