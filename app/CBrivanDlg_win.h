#pragma once
// The main window (template 102): the form, the notification-area icon, the running servers and the
// supervision thread. It is the host through which the server code and the map code reach the form.
#include "app/DailyRestart_win.h"
#include "app/Remembered_win.h"
#include "app/RemoteGlue_win.h"
#include "app/FormMapHost_win.h"
#include "app/Watchdog_win.h"
#include "app/brvCtrlStruct_win.h"
#include "framework/Dialog_win.h"
#include "framework/UiQueue.h"
#include "maps/CChangeFileMapsDlg_win.h"
#include "maps/MapHost.h"
#include "profile/ProfileLists.h"
#include "query/QueryWatchdog_win.h"
#include "servers/ConsoleFinder.h"
#include "servers/PriorityChoice.h"
#include "servers/ServerHost.h"
#include "servers/ServerTable.h"
#include "servers/Supervisor.h"
#include "status/CServerStatusDlg_win.h"

#include <atomic>
#include <memory>
#include <optional>
#include <span>
#include <vector>

// Messages the main window receives. None carries a pointer: anything another program posts is safe.
enum : UINT {
    WM_BRV_TRAYICON = WM_APP + 1, // the notification-area icon's mouse events
    WM_BRV_LOOK = WM_APP + 2,     // tasks wait in the window's queue (m_ui); carries nothing
};
inline constexpr UINT kTrayIconId = 102;
// After a query about the end of the session, the watch resumes when the session has not ended by then.
inline constexpr UINT kSessionQueryGraceMs = 5000;
inline constexpr UINT_PTR kSessionQueryTimer = 0x5E55;

namespace brv {
class SingleInstance;
}

class CBrivanDlg : public brv::DialogT<CBrivanDlg>, public ServerHost {
public:
    CBrivanDlg();
    ~CBrivanDlg() override;

    static std::span<const Route> Routes();
    // The folder's claim, in which the window is published so that a later Brivan can bring it forward.
    void SetInstance(brv::SingleInstance* instance) { m_instance = instance; }
    bool PreTranslateMessage(MSG& msg) override;

    // ServerHost
    int ActiveCount() override { return m_ctrl.activeServer.Count(); }
    int ActiveSelection() override { return m_ctrl.activeServer.Selection(); }
    std::wstring ActiveText(int index) override { return m_ctrl.activeServer.TextAt(index); }
    int AddActive(const std::wstring& title) override { return m_ctrl.activeServer.Add(title); }
    void SelectActive(int index) override { m_ctrl.activeServer.Select(index); }
    void DeleteActive(int index) override { m_ctrl.activeServer.Remove(index); }
    int StoredCommandCount() override { return m_ctrl.storedCommands.Count(); }
    void EnableRunControls(bool withStoredCommands) override;
    void DisableRunControls() override;
    void* OwnerWindow() override { return m_ownerForThreads.load(); }
    void EndDialogCancel() override { OnCancel(); }
    void PostConsoleFound(const std::wstring& title) override;
    void PostReport(const brv::Report& report) override;

protected:
    bool OnInitDialog() override;
    // The window has no OK button: an OK command from elsewhere must not end it past the Exit flow.
    void OnOK() override {}

private:
    // Window messages
    std::optional<LRESULT> OnCreate(WPARAM, LPARAM);
    std::optional<LRESULT> OnDestroy(WPARAM, LPARAM);
    std::optional<LRESULT> OnSysCommand(WPARAM wParam, LPARAM);
    std::optional<LRESULT> OnPaint(WPARAM, LPARAM);
    std::optional<LRESULT> OnQueryDragIcon(WPARAM, LPARAM);
    std::optional<LRESULT> OnTrayIcon(WPARAM, LPARAM lParam);
    std::optional<LRESULT> OnLook(WPARAM, LPARAM);
    std::optional<LRESULT> OnTimer(WPARAM wParam, LPARAM);
    std::optional<LRESULT> OnActivate(WPARAM, LPARAM);
    std::optional<LRESULT> OnQueryEndSession(WPARAM, LPARAM lParam);
    std::optional<LRESULT> OnEndSession(WPARAM wParam, LPARAM lParam);
    std::optional<LRESULT> OnShowRequest(WPARAM, LPARAM);
    std::optional<LRESULT> OnWhoIs(WPARAM, LPARAM);

    // The endpoint for elsewhere (CBrivanDlgRemote_win.cpp)
    void StartRemote();
    void ApplyRemoteSettings();
    void StopRemote();
    brv::remote::ActionResult PerformRemote(brv::remote::Action action, const std::wstring& title,
                                            const std::wstring& command);

    // The form
    void OnStartMapChanged();
    void OnGameChanged();
    void OnServerTypeChanged();
    void OnPriorityChanged();
    void OnMapSourceChanged();
    void OnStart();
    bool CaptureSettings();

    // Servers
    void OnActiveServerChanged();
    void OnStopServer();
    void OnExit();

    // Console commands
    void OnEnter();
    void OnExtraChoice();
    void OnStoredCommandChosen();
    void OnRemoveCommand();

    // Map lists and set-masters
    void OnMapEditor();
    void OnAddSetmaster();
    void OnEditSetmaster();
    void OnRemoveSetmaster();

    void AddTrayIcon(const wchar_t* tip);
    void RemoveTrayIcon();
    void StartUnattended();
    void ShowFromTray();
    void Remember();
    void Restore();
    void ResumeAfterSessionQuery();
    // After Stop or Exit: the list is written, or the operator is told once that it could not be.
    void RememberForOperator(bool atExit);
    void OpenServerStatus();
    void StopSupervision();
    brv::Form Form() { return m_ctrl.AsForm(Hwnd()); }
    static ProfileLists& Profile() { return ProfileLists::Process(); }
    // The supervision's door for every start and stop; null before it exists.
    brv::ServerEvents* Events() { return m_supervisor ? &m_supervisor->Events() : nullptr; }

    // In the order they are constructed; destruction runs the other way after ~CBrivanDlg's body.
    // What the other threads may read without asking the window.
    std::atomic<void*> m_ownerForThreads{nullptr};
    // Work other threads hand to this window's thread; outlives every object that posts to it.
    brv::UiQueue m_ui;
    brvRunSL m_settings;
    brvCtrlStruct m_ctrl;
    FormMapHost m_mapHost; // the form as the map code sees it
    CChangeFileMapsDlg m_mapEditor;
    ServerTable m_servers;
    brv::PriorityChoice m_priorities;            // drop-down 1012 as a restart reads it
    std::unique_ptr<brv::Watchdog> m_watchdog;   // journal, settings, notices: outlives the threads below
    std::unique_ptr<brv::QueryWatchdog> m_query; // served by the supervision's wait
    std::unique_ptr<brv::ConsoleFinder> m_consoles;
    std::unique_ptr<brv::Supervisor> m_supervisor;
    std::unique_ptr<brv::DailyRestart> m_dailyRestart;
    std::unique_ptr<brv::RememberedList> m_remembered; // "brvServers.txt"
    std::unique_ptr<CServerStatusDlg> m_status;        // made when first opened
    std::unique_ptr<brv::RemoteGlue> m_remote;         // reads the watchdogs above: goes first
    HICON m_icon;
    brv::SingleInstance* m_instance = nullptr;
    bool m_sessionEnded = false;
    bool m_sessionQueried = false; // a query came and neither its end nor the grace's end yet
};
