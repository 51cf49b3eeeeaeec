#pragma once
// A fresh temporary folder as the current directory for each test (the program addresses its files
// from the current directory), and a reporter that records every message instead of showing it.
#include "framework/FileBytes_win.h"
#include "framework/Report.h"
#include "framework/Text.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

namespace brvtest {

class WinTestDir : public ::testing::Test {
protected:
    void SetUp() override {
        wchar_t buf[32768];
        DWORD n = GetCurrentDirectoryW(32768, buf);
        m_oldDir.assign(buf, n);
        n = GetTempPathW(32768, buf);
        static int counter = 0;
        const std::wstring made = std::wstring(buf, n) + L"brv-" + std::to_wstring(GetCurrentProcessId()) +
                                  L"-" + std::to_wstring(GetTickCount()) + L"-" + std::to_wstring(++counter);
        ASSERT_TRUE(CreateDirectoryW(made.c_str(), nullptr));
        ASSERT_TRUE(SetCurrentDirectoryW(made.c_str()));
        n = GetCurrentDirectoryW(32768, buf);
        m_dir.assign(buf, n);
        m_previous = brv::SetReporter([this](const brv::Report& r) {
            m_reports.push_back(r);
            return brv::kIdOk;
        });
    }

    void TearDown() override {
        brv::SetReporter(m_previous);
        SetCurrentDirectoryW(m_oldDir.c_str());
        RemoveTree(m_dir);
    }

    std::wstring Path(const std::wstring& name) const { return m_dir + L"\\" + name; }

    static std::string ReadBytes(const std::wstring& path) {
        auto bytes = brv::ReadFileBytes(path);
        if (!bytes) {
            ADD_FAILURE() << "cannot read " << brv::ToUtf8(path);
        }
        return bytes.value_or(std::string());
    }

    static void WriteBytes(const std::wstring& path, const std::string& bytes) {
        ASSERT_TRUE(brv::WriteFileBytes(path, bytes)) << brv::ToUtf8(path);
    }

    static bool Exists(const std::wstring& path) {
        return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
    }

    // Names in a folder, "." and ".." left out.
    static std::vector<std::wstring> Names(const std::wstring& dir) {
        std::vector<std::wstring> names;
        WIN32_FIND_DATAW fd;
        HANDLE h = FindFirstFileW((dir + L"\\*").c_str(), &fd);
        if (h == INVALID_HANDLE_VALUE) {
            return names;
        }
        do {
            const std::wstring n = fd.cFileName;
            if (n != L"." && n != L"..") {
                names.push_back(n);
            }
        } while (FindNextFileW(h, &fd));
        FindClose(h);
        return names;
    }

    static void RemoveTree(const std::wstring& dir) {
        for (const auto& n : Names(dir)) {
            const std::wstring p = dir + L"\\" + n;
            const DWORD a = GetFileAttributesW(p.c_str());
            SetFileAttributesW(p.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY)) {
                RemoveTree(p);
            } else {
                DeleteFileW(p.c_str());
            }
        }
        RemoveDirectoryW(dir.c_str());
    }

    std::wstring m_oldDir;
    std::wstring m_dir;
    brv::Reporter m_previous;
    std::vector<brv::Report> m_reports;
};

} // namespace brvtest
