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
        m_ui, *m_watchdog, *m_query, m_supervisor->Lives(),
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

ActionResult CBrivanDlg::PerformRemote(Action action, const std::wstring& title,
                                       const std::wstring& command) {
    switch (action) {
    case Action::Stop: {
        const auto record = m_servers.FindByTitle(title);
        if (!brv::StopServerTitled(*this, m_servers, title, Events())) {
            return ActionResult::NoSuchServer;
        }
        if (record) {
            m_supervisor->Lives().CountManualStop(brv::LifeEvents::KeyOf(*record)); // a remote stop is manual
        }
        RememberForOperator(false);
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
                    m_supervisor->Events().RestartAsked(r);
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
        const auto record = m_supervisor->Lives().StoppedRecord(title);
        if (!record) {
            return ActionResult::NoSuchServer;
        }
        const uint32_t priority = m_priorities.Selected().value_or(NORMAL_PRIORITY_CLASS);
        if (!brv::LaunchServer(*this, m_servers, *m_consoles, *record, priority, Events())) {
            return ActionResult::Refused;
        }
        if (m_remembered) {
            m_remembered->OperatorActed();
        }
        m_supervisor->Wake();
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
