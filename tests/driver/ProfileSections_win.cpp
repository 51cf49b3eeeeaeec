// The profile as a scenario reads and rewrites it: UTF-16LE lines under the sixteen headers.
#include "tests/driver/Driver.h"

#include "framework/FileBytes_win.h"
#include "framework/Text.h"
#include "profile/ProfileFormat.h"

namespace e2e {
namespace {

constexpr const wchar_t* kProfile = L"brvBrivan3.txt";

std::vector<std::wstring> Headers() {
    std::vector<std::wstring> headers;
    for (int i = 0; i < brv::kSectionCount; ++i) {
        headers.emplace_back(brv::SectionName(static_cast<brv::Section>(i)));
    }
    return headers;
}

// Exactly as the program writes a header: no other spelling counts here.
bool IsHeader(const std::wstring& line) {
    for (const auto& h : Headers()) {
        if (h == line) {
            return true;
        }
    }
    return false;
}

std::vector<std::wstring> Lines(std::wstring text) {
    if (!text.empty() && text.front() == 0xFEFF) {
        text.erase(0, 1); // the default profile as extracted keeps its mark
    }
    std::vector<std::wstring> lines;
    std::wstring line;
    for (wchar_t c : text) {
        if (c == L'\n') {
            if (!line.empty() && line.back() == L'\r') {
                line.pop_back();
            }
            lines.push_back(line);
            line.clear();
        } else {
            line.push_back(c);
        }
    }
    if (!line.empty()) {
        lines.push_back(line);
    }
    return lines;
}

} // namespace

std::vector<std::wstring> WorkDir::ProfileSection(const std::wstring& header) const {
    std::vector<std::wstring> section;
    bool inside = false;
    for (const auto& l : Lines(brv::FromUtf16Le(Read(kProfile)))) {
        if (IsHeader(l)) {
            inside = l == header;
        } else if (inside) {
            section.push_back(l);
        }
    }
    return section;
}

void WorkDir::ReplaceProfileSection(const std::wstring& header,
                                    const std::vector<std::wstring>& lines) const {
    std::wstring out;
    for (const auto& h : Headers()) {
        out += h + L"\r\n";
        for (const auto& l : h == header ? lines : ProfileSection(h)) {
            out += l + L"\r\n";
        }
    }
    const std::wstring path = Full(kProfile);
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    brv::WriteFileBytes(path, brv::ToUtf16Le(out));
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
}

} // namespace e2e
