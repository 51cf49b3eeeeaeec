#pragma once
// Helpers shared by the profile tests: profile bytes from readable text, and the built-in default.
#include "framework/Text.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace brvtest {

// UTF-16LE bytes of a text whose lines end in LF: each LF becomes CR LF.
inline std::string ProfileBytes(const std::wstring& lfText) {
    std::wstring crlf;
    for (wchar_t c : lfText) {
        if (c == L'\n') {
            crlf += L'\r';
        }
        crlf += c;
    }
    return brv::ToUtf16Le(crlf);
}

// The bytes of res/default_profile.txt, the file the Windows program embeds.
inline std::string DefaultProfileFileBytes() {
    const auto path =
        std::filesystem::path(__FILE__).parent_path() / ".." / ".." / ".." / "res" / "default_profile.txt";
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

} // namespace brvtest
