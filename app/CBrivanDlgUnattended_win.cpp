// The main window's side of running unattended: the remembered list, the start-up over what the last
// Brivan left, the end of the Windows session, the request of a second Brivan of this folder and the
// notification-area menu.
#include "app/CBrivanDlg_win.h"

#include "app/Remembered_win.h"
#include "app/RunAtLogonItem_win.h"
#include "app/StartupRestore_win.h"
#include "journal/JournalTexts.h"
#include "framework/Messages.h"
#include "framework/Report.h"
#include "servers/ConsoleView.h"
#include "startup/SingleInstance.h"

namespace {

// An installer's Restart Manager closes Brivan: it may start Brivan again when it is done. Brivan
// reads no arguments; a crash or a hang is the watch's business, not the system's.
void RegisterForRestart() {
    RegisterApplicationRestart(L"", RESTART_NO_CRASH | RESTART_NO_HANG | RESTART_NO_REBOOT);
}

} // namespace

void CBrivanDlg::StartUnattended() {
    m_supervisor->Events().OnStarted([this] { m_ui.Post([this] { Remember(); }); });
    m_dailyRestart = std::make_unique<brv::DailyRestart>(m_servers, *m_watchdog, m_supervisor->Events());
    m_dailyRestart->Start(Hwnd());
    m_remembered =
        std::make_unique<brv::RememberedList>(m_watchdog->WorkDir(), m_servers, m_watchdog->Log(), [this] {
            const brv::RestoreOutcome outcome =
                brv::AdoptOrRestoreServers({*this, m_servers, *m_consoles, *m_watchdog,
                                            m_supervisor->Events(), m_priorities.Selected()});
            m_supervisor
                ->LookEverywhere(); // watch what was taken over and what waits at once, and its windows
            return outcome;
        });
    // After the window is up, so servers taken over or started again go into a form that shows them.
    m_ui.Post([this] { Restore(); });
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

void CBrivanDlg::Restore() {
    if (m_remembered && m_consoles) {
        m_remembered->Restore(Hwnd());
    }
}

std::optional<LRESULT> CBrivanDlg::OnWhoIs(WPARAM, LPARAM) {
    return brv::kIAmBrivan;
}

std::optional<LRESULT> CBrivanDlg::OnQueryEndSession(WPARAM, LPARAM lParam) {
    if (m_sessionEnded) {
        return TRUE;
    }
    if (lParam & ENDSESSION_CLOSEAPP) {
        RegisterForRestart();
    }
    // The session may end. From here the system may end the servers: they are not restarted meanwhile,
    // and the list keeps them for the next logon. Any program may send the query alone: if no end
    // follows soon, the watch resumes.
    StopSupervision();
    m_sessionQueried = true;
    SetTimer(Hwnd(), kSessionQueryTimer, kSessionQueryGraceMs, nullptr);
    return TRUE;
}

std::optional<LRESULT> CBrivanDlg::OnTimer(WPARAM wParam, LPARAM) {
    if (wParam != kSessionQueryTimer) {
        return std::nullopt;
    }
    KillTimer(Hwnd(), kSessionQueryTimer);
    if (m_sessionQueried && !m_sessionEnded) {
        m_sessionQueried = false;
        ResumeAfterSessionQuery();
        if (m_watchdog) {
            m_watchdog->Log().Write(brv::JournalTag::Brivan,
                                    brv::SessionKeptText(kSessionQueryGraceMs / 1000));
        }
    }
    return 0;
}

void CBrivanDlg::ResumeAfterSessionQuery() {
    if (m_supervisor) {
        m_supervisor->Start();
        m_supervisor->Wake(); // what ended meanwhile is answered now
    }
}

std::optional<LRESULT> CBrivanDlg::OnEndSession(WPARAM wParam, LPARAM lParam) {
    KillTimer(Hwnd(), kSessionQueryTimer);
    m_sessionQueried = false;
    if (!wParam) {
        if (!m_sessionEnded) {
            ResumeAfterSessionQuery(); // another program kept the session: watch again
        }
        return 0;
    }
    if (m_sessionEnded) {
        return 0;
    }
    m_sessionEnded = true;
    StopSupervision();
    m_dailyRestart.reset();
    const bool closeApp = (lParam & ENDSESSION_CLOSEAPP) != 0;
    if (m_remembered) {
        m_remembered->Stop(); // the list stays as it is for the next logon
    }
    if (m_watchdog) {
        m_watchdog->Ending(closeApp ? brv::BrivanEnd::CloseApp : brv::BrivanEnd::SessionEnd);
    }
    if (closeApp) {
        // The session goes on without Brivan: it ends as at the session's end, its servers running
        // and the list kept as it is, so that the next Brivan takes them over.
        RegisterForRestart();
        EndDialog(IDCANCEL);
    }
    return 0;
}
