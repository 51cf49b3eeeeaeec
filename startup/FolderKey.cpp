#include "startup/FolderKey.h"

#include "framework/Text.h"

#include <vector>

namespace brv {
namespace {

bool IsLetter(wchar_t c) {
    return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z');
}

// Splits off the root ("C:\", "\\server\share\" or "\"), which ".." never climbs above.
std::wstring_view TakeRoot(std::wstring& root, std::wstring_view path) {
    if (path.size() >= 2 && IsLetter(path[0]) && path[1] == L':') {
        root.assign(path.substr(0, 2));
        root.push_back(L'\\');
        return path.substr(2);
    }
    if (path.size() >= 2 && path[0] == L'\\' && path[1] == L'\\') {
        // Server and share are the first two names.
        size_t at = 2;
        for (int names = 0; names < 2 && at < path.size(); ++names) {
            size_t end = path.find(L'\\', at);
            end = end == std::wstring_view::npos ? path.size() : end;
            at = end + 1;
        }
        std::wstring_view head = path.substr(0, std::min(at, path.size()));
        root.assign(head);
        if (root.back() != L'\\') {
            root.push_back(L'\\');
        }
        return path.substr(head.size());
    }
    if (!path.empty() && path[0] == L'\\') {
        root = L"\\";
        return path.substr(1);
    }
    root.clear();
    return path;
}

} // namespace

wchar_t FoldCase(wchar_t c) {
    const uint32_t u = static_cast<uint32_t>(c);
    if ((u >= 'a' && u <= 'z') || (u >= 0xE0 && u <= 0xFE && u != 0xF7) ||
        (u >= 0x3B1 && u <= 0x3C9 && u != 0x3C2) || (u >= 0x430 && u <= 0x44F)) {
        return static_cast<wchar_t>(u - 0x20);
    }
    if (u >= 0x450 && u <= 0x45F) {
        return static_cast<wchar_t>(u - 0x50); // ѐ..џ
    }
    if (u == 0xFF) {
        return static_cast<wchar_t>(0x178);
    }
    if (u == 0x3C2) {
        return static_cast<wchar_t>(0x3A3); // the final sigma folds like the other one
    }
    return c;
}

std::wstring NormalizeFolder(std::wstring_view input) {
    std::wstring path(input);
    for (wchar_t& c : path) {
        if (c == L'/') {
            c = L'\\';
        }
    }
    std::wstring_view rest = path;
    if (rest.substr(0, 8) == L"\\\\?\\UNC\\") {
        path = L"\\\\" + path.substr(8);
        rest = path;
    } else if (rest.substr(0, 4) == L"\\\\?\\") {
        rest.remove_prefix(4);
    }
    std::wstring root;
    rest = TakeRoot(root, rest);
    std::vector<std::wstring_view> names;
    while (!rest.empty()) {
        size_t end = rest.find(L'\\');
        std::wstring_view name = rest.substr(0, end);
        rest.remove_prefix(end == std::wstring_view::npos ? rest.size() : end + 1);
        if (name.empty() || name == L".") {
            continue;
        }
        if (name == L"..") {
            if (!names.empty()) {
                names.pop_back();
            }
            continue;
        }
        names.push_back(name);
    }
    std::wstring out = root;
    for (size_t i = 0; i < names.size(); ++i) {
        if (i > 0) {
            out.push_back(L'\\');
        }
        out.append(names[i]);
    }
    for (wchar_t& c : out) {
        c = FoldCase(c);
    }
    return out;
}

std::wstring FolderKey(std::wstring_view folder) {
    uint64_t hash = 14695981039346656037ull;
    for (char b : ToUtf16Le(NormalizeFolder(folder))) {
        hash ^= static_cast<unsigned char>(b);
        hash *= 1099511628211ull;
    }
    std::wstring out(16, L'0');
    for (int i = 15; i >= 0; --i, hash >>= 4) {
        out[static_cast<size_t>(i)] = L"0123456789ABCDEF"[hash & 0xF];
    }
    return out;
}

std::wstring InstanceObjectName(std::wstring_view folder) {
    return L"Local\\Brivan." + FolderKey(folder);
}

} // namespace brv
