// The main window's side of running unattended: the remembered list, the start-up over what the last
// Brivan left, the end of the Windows session, the request of a second Brivan of this folder and the
// notification-area menu.
#include "app/CBrivanDlg_win.h"

#include "app/Remembered_win.h"
#include "app/RunAtLogonItem_win.h"
#include "app/StartupRestore_win.h"
#include "framework/Messages.h"
#include "framework/Report.h"
#include "servers/ConsoleView.h"
#include "startup/SingleInstance.h"

void CBrivanDlg::StartUnattended() {
    m_watchdog->OnStarted([this] { PostMessageW(static_cast<HWND>(OwnerWindow()), WM_BRV_REMEMBER, 0, 0); });
    m_dailyRestart = std::make_unique<brv::DailyRestart>(m_servers, *m_watchdog);
    m_dailyRestart->Start(Hwnd());
    m_remembered =
        std::make_unique<brv::RememberedList>(m_watchdog->WorkDir(), m_servers, m_watchdog->Log(), [this] {
            const brv::RestoreOutcome outcome = brv::AdoptOrRestoreServers(
                {*this, m_servers, *m_consoles, *m_watchdog, m_priorities.Selected()});
            m_supervisor->Wake(); // watch what was taken over, and what waits, at once
            return outcome;
        });
    // After the window is up, so servers taken over or started again go into a form that shows them.
    PostMessageW(Hwnd(), WM_BRV_RESTORE, 0, 0);
    if (m_instance) {
        m_instance->Publish(Hwnd());
    }
}

void CBrivanDlg::ShowFromTray() {
    ShowWindow(Hwnd(), SW_SHOWNORMAL);
    SetForegroundWindow(Hwnd());
    brv::ShowActiveServerConsole(*this, m_servers, SW_SHOWNORMAL);
}

std::optional<LRESULT> CBrivanDlg::OnShowRequest(WPARAM, LPARAM) {
    ShowFromTray(); // a second Brivan of this folder was started
    return 0;
}

void CBrivanDlg::Remember() {
    if (m_remembered && !m_sessionEnded) {
        m_remembered->Save();
    }
}

void CBrivanDlg::RememberForOperator(bool atExit) {
    if (!m_remembered || m_sessionEnded) {
        return;
    }
    unsigned long error = 0;
    const bool written = m_remembered->SaveForOperator(error);
    if (atExit) {
        m_remembered->Stop(); // no read again, start or write while Brivan ends (the box below pumps timers)
    }
    if (!written) {
        // Journaled with the first failed try; a server the operator stopped may come back.
        brv::ShowMessage(Hwnd(),
                         brv::FormatErrorCode(brv::ListNotWrittenMessage(atExit), static_cast<long>(error)),
                         brv::kCaptionError, brv::kMbOk | brv::kMbIconError);
    }
}

std::optional<LRESULT> CBrivanDlg::OnRemember(WPARAM, LPARAM) {
    Remember();
    return 0;
}

std::optional<LRESULT> CBrivanDlg::OnRestore(WPARAM, LPARAM) {
    if (m_remembered && m_consoles) {
        m_remembered->Restore(Hwnd());
    }
    return 0;
}

std::optional<LRESULT> CBrivanDlg::OnQueryEndSession(WPARAM, LPARAM) {
    // The session may end. From here the system may end the servers: they are no longer restarted,
    // and the list keeps them for the next logon.
    StopSupervision();
    return TRUE;
}

std::optional<LRESULT> CBrivanDlg::OnEndSession(WPARAM wParam, LPARAM) {
    if (!wParam) {
        if (!m_sessionEnded && m_supervisor) {
            m_supervisor->Start(); // another program kept the session: watch again
        }
        return 0;
    }
    if (m_sessionEnded) {
        return 0;
    }
    m_sessionEnded = true;
    StopSupervision();
    m_dailyRestart.reset();
    if (m_remembered) {
        m_remembered->Stop(); // the list stays as it is for the next logon
    }
    if (m_watchdog) {
        m_watchdog->Ending(brv::BrivanEnd::SessionEnd);
    }
    return 0;
}
