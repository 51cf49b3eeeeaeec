// The native build's file system for the map sources: "\" separators become "/", names are UTF-8.
#ifndef _WIN32
#include "maps/MapFiles.h"

#include "framework/Text.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace brv {
namespace {

std::filesystem::path Native(const std::wstring& path) {
    std::string utf8 = ToUtf8(path);
    std::replace(utf8.begin(), utf8.end(), '\\', '/');
    return std::filesystem::path(utf8);
}

wchar_t Lower(wchar_t c) {
    return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c + 0x20) : c;
}

// "*" and "?" wildcards, letters compared without regard to case as the platform's search does.
bool Matches(std::wstring_view name, std::wstring_view pattern) {
    if (pattern.empty()) {
        return name.empty();
    }
    if (pattern[0] == L'*') {
        for (size_t skip = 0; skip <= name.size(); ++skip) {
            if (Matches(name.substr(skip), pattern.substr(1))) {
                return true;
            }
        }
        return false;
    }
    return !name.empty() && (pattern[0] == L'?' || Lower(pattern[0]) == Lower(name[0])) &&
           Matches(name.substr(1), pattern.substr(1));
}

} // namespace

std::vector<std::wstring> FindFileNames(const std::wstring& pattern) {
    std::vector<std::wstring> names;
    const size_t slash = pattern.find_last_of(L"\\/");
    const std::wstring folder = slash == std::wstring::npos ? L"." : pattern.substr(0, slash);
    const std::wstring wildcard = slash == std::wstring::npos ? pattern : pattern.substr(slash + 1);
    std::error_code ec;
    for (std::filesystem::directory_iterator it(Native(folder), ec), end; !ec && it != end;
         it.increment(ec)) {
        std::wstring name = FromUtf8(it->path().filename().string());
        if (Matches(name, wildcard)) {
            names.push_back(std::move(name));
        }
    }
    std::sort(names.begin(), names.end()); // NTFS returns names in order; keep the tests stable
    return names;
}

bool PathExists(const std::wstring& path) {
    std::error_code ec;
    return std::filesystem::exists(Native(path), ec);
}

bool ReadWholeFile(const std::wstring& path, std::string& bytes) {
    std::ifstream in(Native(path), std::ios::binary);
    if (!in || std::filesystem::is_directory(Native(path))) {
        return false;
    }
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

} // namespace brv
#endif
