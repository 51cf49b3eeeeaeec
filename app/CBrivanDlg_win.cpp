#include "app/CBrivanDlg_win.h"

#include "app/ConsoleEntry.h"
#include "app/FormLogic.h"
#include "framework/InvalidArgument.h"
#include "notify/Balloon_win.h"
#include "maps/MapSources.h"
#include "profile/ProfileFile.h"
#include "res/resource.h"
#include "servercfg/WriteServerConfig.h"
#include "servers/CommandLine.h"
#include "servers/ConsoleView.h"
#include "servers/Launch.h"
#include "servers/ServerChannel.h"
#include "servers/ServerForm.h"
#include "servers/ServerStop.h"
#include "servercfg/RestartConfig.h"
#include "setmasters/SetmasterDialogs_win.h"
#include "setmasters/SetmasterEdits.h"
#include "startup/SingleInstance.h"

namespace {

constexpr const wchar_t* kTipStarted = L"Запуск сервера SL 1.6 в консольном режиме + слежение за падением";
constexpr const wchar_t* kTipMinimised = L"Запуск SL 1.6 в консольном режиме";

HANDLE LoadPicture(int id, UINT type) {
    // Bitmaps are drawn on light grey, which becomes the button face colour here.
    const UINT flags = type == IMAGE_BITMAP ? LR_LOADMAP3DCOLORS : 0;
    return LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id), type, 0, 0, flags | LR_DEFAULTSIZE);
}

} // namespace

CBrivanDlg::CBrivanDlg()
    : DialogT(IDD_BRIVAN_DIALOG), m_ui([this] {
          HWND owner = static_cast<HWND>(m_ownerForThreads.load());
          return owner != nullptr && PostMessageW(owner, WM_BRV_LOOK, 0, 0) != FALSE;
      }),
      m_mapHost(*this, m_ctrl, m_settings, m_mapEditor), m_mapEditor(m_mapHost),
      m_icon(LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_MAINFRAME))) {}

CBrivanDlg::~CBrivanDlg() {
    // The supervision and console threads work on the table and post to this window: they end before
    // either goes; the listener reads them, so it ends first.
    StopRemote();
    StopSupervision();
    if (m_consoles) {
        m_consoles->Stop();
    }
    brv::ReleaseAllServers(m_servers); // channels and process handles closed; the servers run on
}

std::span<const CBrivanDlg::Route> CBrivanDlg::Routes() {
    static const Route routes[] = {
        On(WM_CREATE, &CBrivanDlg::OnCreate),
        On(WM_DESTROY, &CBrivanDlg::OnDestroy),
        On(WM_SYSCOMMAND, &CBrivanDlg::OnSysCommand),
        On(WM_PAINT, &CBrivanDlg::OnPaint),
        On(WM_QUERYDRAGICON, &CBrivanDlg::OnQueryDragIcon),
        On(WM_BRV_TRAYICON, &CBrivanDlg::OnTrayIcon),
        On(WM_BRV_LOOK, &CBrivanDlg::OnLook),
        On(WM_TIMER, &CBrivanDlg::OnTimer),
        On(WM_ACTIVATE, &CBrivanDlg::OnActivate),
        On(WM_QUERYENDSESSION, &CBrivanDlg::OnQueryEndSession),
        On(WM_ENDSESSION, &CBrivanDlg::OnEndSession),
        On(brv::ShowMainWindowMessage(), &CBrivanDlg::OnShowRequest),
        On(brv::WhoIsMessage(), &CBrivanDlg::OnWhoIs),
        SelChange(IDC_GAME, &CBrivanDlg::OnGameChanged),
        SelChange(IDC_PRIORITY, &CBrivanDlg::OnPriorityChanged),
        SelChange(IDC_SERVER_TYPE, &CBrivanDlg::OnServerTypeChanged),
        SelChange(IDC_START_MAP, &CBrivanDlg::OnStartMapChanged),
        SelChange(IDC_MAP_SOURCE, &CBrivanDlg::OnMapSourceChanged),
        Click(IDC_START, &CBrivanDlg::OnStart),
        SelChange(IDC_ACTIVE_SERVER, &CBrivanDlg::OnActiveServerChanged),
        Click(IDC_STOP_SERVER, &CBrivanDlg::OnStopServer),
        Click(IDCANCEL, &CBrivanDlg::OnExit),
        Click(IDC_ENTER, &CBrivanDlg::OnEnter),
        SelChange(IDC_EXTRA_CHOICES, &CBrivanDlg::OnExtraChoice),
        SelChange(IDC_STORED_COMMANDS, &CBrivanDlg::OnStoredCommandChosen),
        Click(IDC_REMOVE_COMMAND, &CBrivanDlg::OnRemoveCommand),
        Click(IDC_MAP_EDITOR, &CBrivanDlg::OnMapEditor),
        Click(IDC_ADD_SETMASTER, &CBrivanDlg::OnAddSetmaster),
        Click(IDC_EDIT_SETMASTER, &CBrivanDlg::OnEditSetmaster),
        Click(IDC_REMOVE_SETMASTER, &CBrivanDlg::OnRemoveSetmaster),
    };
    return routes;
}

bool CBrivanDlg::OnInitDialog() {
    SendMessageW(Hwnd(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_icon));
    SendMessageW(Hwnd(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_icon));
    m_ownerForThreads = Hwnd();
    m_ui.Nudge(); // anything posted before the window existed

    ProfileLists& lists = Profile();
    if (!brv::LoadProfile(m_settings, lists)) {
        OnCancel();
        return false;
    }
    m_priorities.SetClasses(lists.priorities);

    m_ctrl.Fill(Hwnd());
    m_ctrl.enterButton.SetImage(IMAGE_ICON, LoadPicture(IDI_ENTER, IMAGE_ICON));
    m_ctrl.stopButton.SetImage(IMAGE_ICON, LoadPicture(IDI_STOP_SERVER, IMAGE_ICON));
    m_ctrl.removeCommandButton.SetImage(IMAGE_ICON, LoadPicture(IDI_REMOVE_COMMAND, IMAGE_ICON));
    m_ctrl.mapEditorButton.SetImage(IMAGE_BITMAP, LoadPicture(IDB_MAP_EDITOR, IMAGE_BITMAP));
    m_ctrl.addSetmasterButton.SetImage(IMAGE_BITMAP, LoadPicture(IDB_ADD_SETMASTER, IMAGE_BITMAP));
    m_ctrl.editSetmasterButton.SetImage(IMAGE_BITMAP, LoadPicture(IDB_EDIT_SETMASTER, IMAGE_BITMAP));
    m_ctrl.removeSetmasterButton.SetImage(IMAGE_BITMAP, LoadPicture(IDB_REMOVE_SETMASTER, IMAGE_BITMAP));

    const brv::Form form = Form();
    brv::FillForm(form, m_settings, lists, brv::GetLocalAddress());
    m_ctrl.port.LimitText(5); // after the text: a longer port from the profile is shown whole
    m_priorities.Select(m_ctrl.priority.Selection());

    // A profile with too few game or map source lines is reported here, and the window still gets
    // its icon and its watchdog: without them no server started later would ever be restarted.
    brv::Guarded(Hwnd(), [this] { brv::RefreshStartMapList(m_mapHost); });
    AddTrayIcon(kTipStarted);

    m_watchdog = std::make_unique<brv::Watchdog>(
        m_settings.workDir, [this](const std::wstring& title, const std::wstring& text) {
            m_ui.Post([this, title, text] { brv::ShowBalloon(Hwnd(), title, text); });
        });
    brv::ConsoleSearch search;
    search.ownWatch = false; // the supervision's one window watch tells it
    m_consoles = std::make_unique<brv::ConsoleFinder>(
        m_servers, [this](const std::wstring& title) { PostConsoleFound(title); }, search);
    m_supervisor = std::make_unique<brv::Supervisor>(*this, m_servers, *m_consoles, m_priorities,
                                                     brv::Supervisor::kBackstopMs, m_watchdog.get());
    m_supervisor->Lives().SetSettings(brv::GovernorSettingsOf(m_watchdog->Settings().restart));
    m_query = std::make_unique<brv::QueryWatchdog>(m_servers, m_supervisor->Events(),
                                                   [w = m_watchdog.get()] { return w->Settings().watchdog; });
    m_supervisor->SetWaitSide(m_query->Side());
    // A restarted server reads its own hostname, not the last form-started server's.
    m_supervisor->SetBeforeRestart(
        [dir = m_settings.workDir](const brvRunSL& record) { brv::RewriteConfigForRestart(dir, record); });
    m_supervisor->Start();
    StartRemote();
    StartUnattended();
    return true;
}

bool CBrivanDlg::PreTranslateMessage(MSG& msg) {
    // Escape and Enter go to the focused control as plain keys: they neither close the window nor
    // press the default button.
    if (msg.message == WM_KEYDOWN && (msg.wParam == VK_ESCAPE || msg.wParam == VK_RETURN)) {
        return false;
    }
    return Dialog::PreTranslateMessage(msg);
}

void CBrivanDlg::StopSupervision() {
    if (m_supervisor) {
        m_supervisor->Stop();
    }
}

// ---- window messages

std::optional<LRESULT> CBrivanDlg::OnCreate(WPARAM, LPARAM) {
    return std::nullopt; // the default creation; its failure fails the window's creation
}

std::optional<LRESULT> CBrivanDlg::OnDestroy(WPARAM, LPARAM) {
    m_ui.Close(); // tasks touch the controls, which go now
    KillTimer(Hwnd(), kSessionQueryTimer);
    RemoveTrayIcon();
    m_dailyRestart.reset();
    if (m_watchdog && !m_sessionEnded) {
        m_watchdog->Ending(brv::BrivanEnd::ExitButton);
    }
    return std::nullopt;
}

std::optional<LRESULT> CBrivanDlg::OnSysCommand(WPARAM wParam, LPARAM) {
    switch (wParam & 0xFFF0) {
    case SC_MINIMIZE:
        AddTrayIcon(kTipMinimised); // only has an effect when the start-up icon was lost
        ShowWindow(Hwnd(), SW_HIDE);
        brv::ShowActiveServerConsole(*this, m_servers, SW_HIDE);
        return 0;
    case SC_CLOSE:
        return 0; // the window ends only through "Выход"
    default:
        return std::nullopt;
    }
}

std::optional<LRESULT> CBrivanDlg::OnPaint(WPARAM, LPARAM) {
    if (!IsIconic(Hwnd())) {
        return std::nullopt;
    }
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(Hwnd(), &ps);
    SendMessageW(Hwnd(), WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    const int cx = GetSystemMetrics(SM_CXICON);
    const int cy = GetSystemMetrics(SM_CYICON);
    RECT rc;
    GetClientRect(Hwnd(), &rc);
    DrawIcon(dc, (rc.right - rc.left - cx + 1) / 2, (rc.bottom - rc.top - cy + 1) / 2, m_icon);
    EndPaint(Hwnd(), &ps);
    return 0;
}

std::optional<LRESULT> CBrivanDlg::OnQueryDragIcon(WPARAM, LPARAM) {
    return reinterpret_cast<LRESULT>(m_icon);
}

std::optional<LRESULT> CBrivanDlg::OnActivate(WPARAM wParam, LPARAM) {
    if (LOWORD(wParam) != WA_INACTIVE) {
        m_ui.Post([this] { brv::MendFocus(Hwnd()); }); // after the dialog has put its focus back
    }
    return std::nullopt;
}

std::optional<LRESULT> CBrivanDlg::OnLook(WPARAM, LPARAM) {
    m_ui.Drain();
    return 0;
}

// ---- ServerHost

void CBrivanDlg::EnableRunControls(bool withStoredCommands) {
    m_ctrl.activeServer.Enable(true);
    m_ctrl.consoleCommand.Enable(true);
    m_ctrl.stopButton.Enable(true);
    m_ctrl.enterButton.Enable(true);
    m_ctrl.exitButton.Enable(true);
    if (withStoredCommands) {
        m_ctrl.storedCommands.Enable(true);
        m_ctrl.removeCommandButton.Enable(true);
    }
}

void CBrivanDlg::DisableRunControls() {
    m_ctrl.consoleCommand.Enable(false);
    m_ctrl.activeServer.Enable(false);
    m_ctrl.storedCommands.Enable(false);
    m_ctrl.stopButton.Enable(false);
    m_ctrl.enterButton.Enable(false);
    m_ctrl.removeCommandButton.Enable(false);
}

void CBrivanDlg::PostConsoleFound(const std::wstring& title) {
    m_ui.Post(
        [this, title] { brv::UpdateFormForServer(*this, m_servers, title, brv::FormUpdate::kConsoleFound); });
}

void CBrivanDlg::PostReport(const brv::Report& report) {
    m_ui.Post([this, report] { brv::ShowMessage(Hwnd(), report.text, report.caption, report.style); });
}

// ---- the form

void CBrivanDlg::OnStartMapChanged() {
    brv::OnStartMapChanged(Form(), m_settings);
}

void CBrivanDlg::OnGameChanged() {
    brv::OnGameChanged(Form(), Profile(), [this] { brv::RefreshStartMapList(m_mapHost); });
}

void CBrivanDlg::OnServerTypeChanged() {
    brv::OnServerTypeChanged(Form(), Profile());
}

void CBrivanDlg::OnPriorityChanged() {
    brv::OnPriorityChanged(Form(), Profile());
    m_priorities.Select(m_ctrl.priority.Selection());
}

void CBrivanDlg::OnMapSourceChanged() {
    brv::OnMapSourceChanged(Form(), Profile(), [this] { brv::RefreshStartMapList(m_mapHost); });
}

bool CBrivanDlg::CaptureSettings() {
    const bool captured = brv::CaptureSettings(Form(), m_settings, Profile());
    m_priorities.Select(m_ctrl.priority.Selection());
    return captured;
}

void CBrivanDlg::OnStart() {
    if (!CaptureSettings() || !brv::WriteServerConfig(m_settings, Profile()) ||
        !brv::SaveProfile(m_settings, Profile())) {
        return;
    }
    // One source for the game, the server type and the priority of this press: the selections just
    // captured, which "Brivan.cfg" and the profile were written from.
    const ProfileLists& lists = Profile();
    ComposeCommandLine(m_settings, lists.games, lists.Selection(kSelGame), lists.serverTypes,
                       lists.Selection(kSelServerType));
    const uint32_t priority = brv::CheckedAt(lists.priorities, lists.Selection(kSelPriority));
    if (brv::LaunchServer(*this, m_servers, *m_consoles, m_settings, priority, Events())) {
        if (m_remembered) {
            m_remembered->OperatorActed(); // before the start's own write, posted meanwhile
        }
        if (m_supervisor) {
            m_supervisor->Wake(); // watch the new server's process at once
        }
    }
}

// ---- servers

void CBrivanDlg::OnActiveServerChanged() {
    brv::OnActiveServerChanged(*this, m_servers);
}

void CBrivanDlg::OnStopServer() {
    if (brv::StopActiveServer(*this, m_servers, Events())) {
        RememberForOperator(false);
    }
}

void CBrivanDlg::OnExit() {
    if (brv::ExitAndStopAll(
            *this, m_servers,
            [this] {
                StopRemote();
                StopSupervision();
            },
            Events())) {
        RememberForOperator(true); // the list is empty: nothing to bring back
    }
}

// ---- console commands

void CBrivanDlg::OnEnter() {
    auto send = [this](const std::wstring& title, const std::wstring& line) {
        brv::SendCommandToTitle(m_servers, title, line);
    };
    brv::EnterCommand(Form(), m_settings, Profile(), send,
                      [this] { return brv::SaveProfile(m_settings, Profile()); });
}

void CBrivanDlg::OnExtraChoice() {
    brv::OnExtraChoice(Form(), m_settings);
}

void CBrivanDlg::OnStoredCommandChosen() {
    brv::OnStoredCommandChosen(Form());
}

void CBrivanDlg::OnRemoveCommand() {
    brv::RemoveStoredCommand(Form(), Profile(), [this] { return brv::SaveProfile(m_settings, Profile()); });
}

// ---- map lists and set-masters

void CBrivanDlg::OnMapEditor() {
    OpenMapListEditor(m_mapHost, m_mapEditor);
}

void CBrivanDlg::OnAddSetmaster() {
    brv::OpenAddSetmasterDialog(Hwnd(), m_ctrl.setmasters, m_settings, Profile());
}

void CBrivanDlg::OnEditSetmaster() {
    brv::OpenChangeSetmasterDialog(Hwnd(), m_ctrl.setmasters, m_settings, Profile());
}

void CBrivanDlg::OnRemoveSetmaster() {
    brv::DeleteSetmaster(
        m_ctrl.setmasters, Hwnd(), [this] { return CaptureSettings(); },
        [this] { return brv::SaveProfile(m_settings, Profile()); });
}
