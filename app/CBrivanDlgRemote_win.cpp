// The main window's side of the endpoint: its actions run here, on the window thread, through the same
// calls as the form's buttons.
#include "app/CBrivanDlg_win.h"
#include "app/ConsoleEntry.h"
#include "profile/HeaderValues.h"
#include "servers/ChannelBlock.h"
#include "servers/Launch.h"
#include "servers/ServerChannel.h"
#include "servers/ServerStop.h"

using brv::remote::Action;
using brv::remote::ActionResult;

void CBrivanDlg::StartRemote() {
    m_remote = std::make_unique<brv::RemoteGlue>(
        Hwnd(), WM_BRV_REMOTE, *m_watchdog, *m_query,
        [this](Action action, const std::wstring& title, const std::wstring& command) {
            return PerformRemote(action, title, command);
        });
    ApplyRemoteSettings();
}

void CBrivanDlg::ApplyRemoteSettings() {
    if (m_remote && m_watchdog) {
        m_remote->Apply(m_watchdog->Settings().remote);
    }
}

void CBrivanDlg::StopRemote() {
    if (m_remote) {
        m_remote->Stop();
    }
}

std::optional<LRESULT> CBrivanDlg::OnRemote(WPARAM, LPARAM lParam) {
    brv::RemoteGlue::RunPosted(lParam);
    return 0;
}

void CBrivanDlg::KeepStoppedActive() {
    const int sel = m_ctrl.activeServer.Selection();
    if (m_remote && sel >= 0) {
        if (const auto record = m_servers.FindByTitle(m_ctrl.activeServer.TextAt(sel))) {
            m_remote->KeepStopped(*record);
        }
    }
}

ActionResult CBrivanDlg::PerformRemote(Action action, const std::wstring& title,
                                       const std::wstring& command) {
    switch (action) {
    case Action::Stop: {
        const auto record = m_servers.FindByTitle(title);
        if (!brv::StopServerTitled(*this, m_servers, title, m_watchdog.get())) {
            return ActionResult::NoSuchServer;
        }
        if (record && m_remote) {
            m_remote->KeepStopped(*record);
        }
        Remember();
        return ActionResult::Done;
    }
    case Action::Restart: {
        // Ended through our own handle as the daily restart ends a server; the supervision starts it
        // again, and the mark makes that a manual restart rather than a crash.
        HANDLE own = m_servers.Locked([&](const ServerTable::Records& records) -> HANDLE {
            for (const brvRunSL& r : records) {
                HANDLE h = nullptr;
                if (r.serverTitle == title && r.process != nullptr &&
                    DuplicateHandle(GetCurrentProcess(), static_cast<HANDLE>(r.process), GetCurrentProcess(),
                                    &h, 0, FALSE, DUPLICATE_SAME_ACCESS)) {
                    m_watchdog->MarkManual(r);
                    return h;
                }
            }
            return nullptr;
        });
        if (!own) {
            for (const brv::query::StatusEntry& e : m_query->Status()) {
                if (e.title == title) {
                    return ActionResult::NotNow; // its restart is on its way already
                }
            }
            return ActionResult::NoSuchServer;
        }
        TerminateProcess(own, STILL_ACTIVE);
        CloseHandle(own);
        return ActionResult::Done;
    }
    case Action::Start: {
        if (m_servers.FindByTitle(title)) {
            return ActionResult::NotNow;
        }
        const auto record = m_remote ? m_remote->StoppedRecord(title) : std::nullopt;
        if (!record) {
            return ActionResult::NoSuchServer;
        }
        const uint32_t priority = m_priorities.Selected().value_or(NORMAL_PRIORITY_CLASS);
        if (!brv::LaunchServer(*this, m_servers, *m_consoles, *record, priority, m_watchdog.get())) {
            return ActionResult::Refused;
        }
        m_remote->ForgetStopped(title);
        if (m_supervisor) {
            m_supervisor->Wake();
        }
        Remember();
        return ActionResult::Done;
    }
    case Action::Command: {
        // A typed command's rules: one line, within the block, never a profile header.
        const std::wstring line = brv::ConsoleLine(command);
        if (command.empty() || brv::IsHeaderValue(command) ||
            brv::CommandBytes(line).size() >= brv::kCommandTextBytes - 1) {
            return ActionResult::Refused;
        }
        return brv::SendCommandToTitle(m_servers, title, line) ? ActionResult::Done
                                                               : ActionResult::NoSuchServer;
    }
    }
    return ActionResult::Refused;
}
