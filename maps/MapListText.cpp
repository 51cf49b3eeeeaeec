#include "maps/MapListText.h"

#include "framework/Text.h"

namespace brv {
namespace {

// Case folding for the start-map search: Latin, Latin-1 and Cyrillic letters, the same on both builds.
wchar_t Fold(wchar_t c) {
    if ((c >= L'A' && c <= L'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7) || (c >= 0x410 && c <= 0x42F)) {
        return static_cast<wchar_t>(c + 0x20);
    }
    if (c >= 0x400 && c <= 0x40F) {
        return static_cast<wchar_t>(c + 0x50);
    }
    return c;
}

bool StartsWithFolded(std::wstring_view text, std::wstring_view prefix) {
    if (prefix.size() > text.size()) {
        return false;
    }
    for (size_t i = 0; i < prefix.size(); ++i) {
        if (Fold(text[i]) != Fold(prefix[i])) {
            return false;
        }
    }
    return true;
}

bool IsComment(std::string_view line) {
    return (!line.empty() && line[0] == ';') || (line.size() >= 2 && line[0] == '/' && line[1] == '/');
}

} // namespace

std::vector<std::wstring> ParseMapList(std::string_view bytes) {
    std::vector<std::wstring> entries;
    while (!bytes.empty()) {
        const size_t lf = bytes.find('\n');
        std::string_view line = bytes.substr(0, lf);
        bytes = lf == std::string_view::npos ? std::string_view() : bytes.substr(lf + 1);
        if (lf != std::string_view::npos && !line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        if (!line.empty() && !IsComment(line)) {
            entries.push_back(FromCp1251(line));
        }
    }
    return entries;
}

std::string FormatMapList(const std::vector<std::wstring>& entries) {
    std::string out;
    for (const auto& entry : entries) {
        out += ToCp1251(entry);
        out += "\r\n";
    }
    return out;
}

std::wstring MapNameFromFileName(std::wstring_view fileName) {
    return std::wstring(fileName.substr(0, fileName.size() < 4 ? 0 : fileName.size() - 4));
}

int FindStartMap(const std::vector<std::wstring>& entries, std::wstring_view map) {
    for (size_t i = 0; i < entries.size(); ++i) {
        if (StartsWithFolded(entries[i], map)) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

} // namespace brv
