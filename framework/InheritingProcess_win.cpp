#include "framework/InheritingProcess_win.h"

namespace brv {

bool CreateProcessInheriting(const std::wstring& exe, wchar_t* commandLine, DWORD flags, STARTUPINFOW start,
                             const std::vector<HANDLE>& inherit, PROCESS_INFORMATION& pi, DWORD& error) {
    SIZE_T size = 0;
    InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
    std::vector<unsigned char> storage(size);
    auto* attributes = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(storage.data());
    if (!InitializeProcThreadAttributeList(attributes, 1, 0, &size)) {
        error = GetLastError();
        return false;
    }
    bool created = false;
    if (!UpdateProcThreadAttribute(attributes, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST,
                                   const_cast<HANDLE*>(inherit.data()), inherit.size() * sizeof(HANDLE),
                                   nullptr, nullptr)) {
        error = GetLastError();
    } else {
        STARTUPINFOEXW si{};
        si.StartupInfo = start;
        si.StartupInfo.cb = sizeof si;
        si.lpAttributeList = attributes;
        created =
            CreateProcessW(exe.c_str(), commandLine, nullptr, nullptr, TRUE,
                           flags | EXTENDED_STARTUPINFO_PRESENT, nullptr, nullptr, &si.StartupInfo, &pi) != 0;
        error = created ? 0 : GetLastError();
    }
    DeleteProcThreadAttributeList(attributes);
    return created;
}

} // namespace brv
