// This machine: its own address as the program finds it, and pictures of its screen.
#include "tests/driver/Driver.h"

#include "framework/FileBytes_win.h"
#include "framework/Text.h"

#include <winsock2.h>

#include <cstring>

namespace e2e {

std::wstring LocalAddress() {
    WSADATA wsa;
    WSAStartup(MAKEWORD(2, 2), &wsa);
    std::wstring out = kLoopback;
    char name[256];
    if (gethostname(name, sizeof name) == 0) {
        if (hostent* h = gethostbyname(name); h && h->h_addr_list[0]) {
            in_addr a;
            std::memcpy(&a, h->h_addr_list[0], sizeof a);
            out = brv::FromUtf8(inet_ntoa(a));
        }
    }
    WSACleanup();
    return out;
}

void Screenshot(HWND hwnd, const std::string& name) {
    wchar_t dir[MAX_PATH] = {};
    if (!GetEnvironmentVariableW(L"BRIVAN_SCREENSHOTS", dir, MAX_PATH)) {
        return;
    }
    RECT r{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    if (hwnd) {
        RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
        GetWindowRect(hwnd, &r);
    } else {
        RedrawWindow(nullptr, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
    }
    Sleep(300); // the picture only: nothing is judged from it
    const int w = r.right - r.left, h = r.bottom - r.top;
    HDC screen = GetDC(nullptr);
    HDC mem = CreateCompatibleDC(screen);
    HBITMAP bmp = CreateCompatibleBitmap(screen, w, h);
    HGDIOBJ old = SelectObject(mem, bmp);
    BitBlt(mem, 0, 0, w, h, screen, r.left, r.top, SRCCOPY);
    SelectObject(mem, old);
    BITMAPINFOHEADER bi{};
    bi.biSize = sizeof bi;
    bi.biWidth = w;
    bi.biHeight = h;
    bi.biPlanes = 1;
    bi.biBitCount = 24;
    const int stride = (w * 3 + 3) & ~3;
    std::string pixels(static_cast<size_t>(stride) * h, '\0');
    GetDIBits(mem, bmp, 0, static_cast<UINT>(h), pixels.data(), reinterpret_cast<BITMAPINFO*>(&bi),
              DIB_RGB_COLORS);
    DeleteObject(bmp);
    DeleteDC(mem);
    ReleaseDC(nullptr, screen);
    BITMAPFILEHEADER fh{};
    fh.bfType = 0x4D42;
    fh.bfOffBits = sizeof fh + sizeof bi;
    fh.bfSize = fh.bfOffBits + static_cast<DWORD>(pixels.size());
    std::string file(reinterpret_cast<const char*>(&fh), sizeof fh);
    file.append(reinterpret_cast<const char*>(&bi), sizeof bi);
    file += pixels;
    brv::WriteFileBytes(std::wstring(dir) + L"\\" + brv::FromUtf8(name) + L".bmp", file);
}

} // namespace e2e
