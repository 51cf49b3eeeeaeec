#include "servers/ConsoleView.h"

#include <windows.h>

#include <utility>
#include <vector>

namespace brv {

// Console windows belong to the servers: asynchronous calls keep a hung server from freezing the
// window thread, and the table lock is never held across them.
void ShowServerConsole(const ServerTable& table, const std::wstring& title) {
    auto windows = table.Locked([&title](const ServerTable::Records& r) {
        std::vector<std::pair<HWND, bool>> out;
        for (const auto& rec : r) {
            out.emplace_back(static_cast<HWND>(rec.consoleWindow), rec.serverTitle == title);
        }
        return out;
    });
    for (auto [hwnd, show] : windows) {
        if (hwnd == nullptr) {
            continue;
        }
        if (show) {
            if (IsIconic(hwnd)) {
                ShowWindowAsync(hwnd, SW_RESTORE);
            }
            ShowWindowAsync(hwnd, SW_SHOW);
        } else {
            ShowWindowAsync(hwnd, SW_HIDE);
        }
    }
}

void OnActiveServerChanged(ServerHost& host, const ServerTable& table) {
    int sel = host.ActiveSelection();
    if (sel != -1) {
        ShowServerConsole(table, host.ActiveText(sel));
    }
}

void ShowActiveServerConsole(ServerHost& host, const ServerTable& table, int showCommand) {
    if (host.ActiveCount() == 0) {
        return;
    }
    int sel = host.ActiveSelection();
    if (sel < 0) {
        return;
    }
    auto rec = table.FindByTitle(host.ActiveText(sel));
    if (rec && rec->consoleWindow != nullptr) {
        ShowWindowAsync(static_cast<HWND>(rec->consoleWindow), showCommand);
    }
}

} // namespace brv
