// The files an operator relies on after a fault: the profile, the remembered servers and the journal
// must be whole and readable, whatever ended when.
#include "soak/Fleet.h"

#include "framework/FileBytes_win.h"
#include "journal/JournalLine.h"
#include "journal/Rotation.h"
#include "profile/ProfileFile.h"
#include "profile/ProfileReader.h"
#include "restore/RememberedServers.h"

#include <cctype>
#include <cstring>

namespace probe {

std::string CheckProfile(const std::wstring& workDir) {
    const auto bytes = brv::ReadFileBytes(workDir + L"\\brvBrivan3.txt");
    if (!bytes) {
        return "brvBrivan3.txt is missing or unreadable";
    }
    if (bytes->size() < 4 || bytes->size() % 2 != 0 ||
        bytes->compare(bytes->size() - 4, 4, "\r\0\n\0", 4) != 0) {
        return "brvBrivan3.txt does not end with a whole line (" + std::to_string(bytes->size()) + " bytes)";
    }
    brvRunSL record;
    ProfileLists lists;
    brv::ReadProfileBytes(*bytes, record, lists);
    if (brv::ProfileLacksFormLists(lists)) {
        return "brvBrivan3.txt lacks the form's lists";
    }
    return {};
}

std::string CheckRemembered(const std::wstring& workDir, const std::set<DWORD>* runningPids) {
    const auto bytes = brv::ReadFileBytes(brv::RememberedFilePath(workDir));
    if (!bytes) {
        return "brvServers.txt is missing or unreadable";
    }
    const brv::RememberedRead read = brv::ReadRemembered(*bytes);
    if (!read.valid) {
        return "brvServers.txt refused: " + e2e::Utf8(read.reason);
    }
    if (runningPids) {
        std::set<DWORD> named;
        for (const auto& s : read.servers) {
            named.insert(s.processId);
        }
        if (named != *runningPids) {
            return "brvServers.txt names " + std::to_string(named.size()) + " processes, not the " +
                   std::to_string(runningPids->size()) + " that run";
        }
    }
    return {};
}

namespace {

bool Digits(const std::string& line, size_t at, size_t n) {
    for (size_t i = at; i < at + n; ++i) {
        if (i >= line.size() || !std::isdigit(static_cast<unsigned char>(line[i]))) {
            return false;
        }
    }
    return true;
}

// "2026-12-07 15:04:05+03:00 TAG ..." with a tag the journal knows.
bool JournalLineWhole(const std::string& line) {
    if (line.size() < 27 || !Digits(line, 0, 4) || line[4] != '-' || !Digits(line, 5, 2) || line[7] != '-' ||
        !Digits(line, 8, 2) || line[10] != ' ' || !Digits(line, 11, 2) || line[13] != ':' ||
        !Digits(line, 14, 2) || line[16] != ':' || !Digits(line, 17, 2) ||
        (line[19] != '+' && line[19] != '-') || !Digits(line, 20, 2) || line[22] != ':' ||
        !Digits(line, 23, 2) || line[25] != ' ') {
        return false;
    }
    const size_t end = line.find(' ', 26);
    const std::string tag = line.substr(26, end == std::string::npos ? std::string::npos : end - 26);
    for (int t = static_cast<int>(brv::JournalTag::Brivan); t <= static_cast<int>(brv::JournalTag::Scheduled);
         ++t) {
        if (tag == brv::TagName(static_cast<brv::JournalTag>(t))) {
            return true;
        }
    }
    return false;
}

} // namespace

std::string RecentJournal(const std::wstring& workDir) {
    return brv::ReadFileBytes(workDir + L"\\Brivan.log").value_or(std::string()) +
           brv::ReadFileBytes(workDir + L"\\Brivan.1.log").value_or(std::string());
}

std::string CheckJournal(const std::wstring& workDir, size_t* lines) {
    size_t count = 0;
    for (int g = 0; g <= brv::kJournalKeptGenerations; ++g) {
        const std::wstring name = brv::JournalGenerationName(g);
        const auto bytes = brv::ReadFileBytes(workDir + L"\\" + name);
        if (!bytes) {
            if (g == 0) {
                return "Brivan.log is missing or unreadable";
            }
            continue;
        }
        if (!bytes->empty() && (bytes->size() < 2 || bytes->compare(bytes->size() - 2, 2, "\r\n") != 0)) {
            return e2e::Utf8(name) + " ends with half a line";
        }
        size_t at = 0;
        while (at < bytes->size()) {
            const size_t end = bytes->find("\r\n", at);
            const std::string line = bytes->substr(at, end - at);
            if (!JournalLineWhole(line)) {
                return e2e::Utf8(name) + " holds a line that is not whole: \"" + line.substr(0, 80) + "\"";
            }
            ++count;
            at = end + 2;
        }
    }
    if (lines) {
        *lines = count;
    }
    return {};
}

} // namespace probe
