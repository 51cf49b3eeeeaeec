#include "settings/CSettingsDlg_win.h"

#include "framework/Controls_win.h"
#include "framework/Messages.h"
#include "framework/Report.h"
#include "framework/Text.h"
#include "remote/Token.h"
#include "res/resource.h"
#include "settings/SettingsFile_win.h"

namespace {

struct Field {
    brv::SettingKey key;
    int id;
    int maxChars; // 0 for check boxes, -1 for a value the dialog keeps itself
};

constexpr Field kFields[] = {
    {brv::SettingKey::QuickDeathSeconds, IDC_SET_QUICK_DEATH_SECONDS, 9},
    {brv::SettingKey::QuickDeathsBeforeDelay, IDC_SET_QUICK_DEATHS_BEFORE_DELAY, 9},
    {brv::SettingKey::FirstDelaySeconds, IDC_SET_FIRST_DELAY_SECONDS, 9},
    {brv::SettingKey::MaxDelaySeconds, IDC_SET_MAX_DELAY_SECONDS, 9},
    {brv::SettingKey::Balloons, IDC_SET_BALLOONS, 0},
    {brv::SettingKey::WebhookUrl, IDC_SET_WEBHOOK_URL, static_cast<int>(brv::kMaxWebhookUrlChars)},
    {brv::SettingKey::HangCheck, IDC_SET_HANG_CHECK, 0},
    {brv::SettingKey::QueryInterval, IDC_SET_QUERY_INTERVAL, 9},
    {brv::SettingKey::HangSeconds, IDC_SET_HANG_SECONDS, 9},
    {brv::SettingKey::StartSeconds, IDC_SET_START_SECONDS, 9},
    {brv::SettingKey::RestoreServers, IDC_SET_RESTORE_SERVERS, 0},
    {brv::SettingKey::RestartAt, IDC_SET_RESTART_AT, 5},
    {brv::SettingKey::WarnMinutes, IDC_SET_WARN_MINUTES, 64},
    {brv::SettingKey::WarnText, IDC_SET_WARN_TEXT, static_cast<int>(brv::kMaxWarnTextChars)},
    {brv::SettingKey::RemoteEnabled, IDC_SET_REMOTE_ENABLED, 0},
    {brv::SettingKey::RemoteAddress, IDC_SET_REMOTE_ADDRESS, 15},
    {brv::SettingKey::RemotePort, IDC_SET_REMOTE_PORT, 5},
    {brv::SettingKey::RemoteAllowFrom, IDC_SET_REMOTE_ALLOW_FROM, 1000},
    {brv::SettingKey::RemoteAllowHost, IDC_SET_REMOTE_ALLOW_HOST, 1000},
    {brv::SettingKey::RemoteControl, IDC_SET_REMOTE_CONTROL, 0},
    {brv::SettingKey::RemoteTokenSha256, 0, -1}, // no field: the dialog keeps the hash, never the token
};
static_assert(std::size(kFields) == brv::kSettingCount);

int FieldId(brv::SettingKey key) {
    for (const Field& f : kFields) {
        if (f.key == key) {
            return f.id;
        }
    }
    return 0;
}

} // namespace

CSettingsDlg::CSettingsDlg(std::wstring iniPath) : DialogT(IDD_SETTINGS), m_path(std::move(iniPath)) {}

std::span<const CSettingsDlg::Route> CSettingsDlg::Routes() {
    static const Route routes[] = {
        Click(IDOK, &CSettingsDlg::OnSave),
        Click(IDC_SET_REMOTE_ENABLED, &CSettingsDlg::OnRemoteEnabled),
        Click(IDC_SET_REMOTE_NEW_TOKEN, &CSettingsDlg::OnNewToken),
        Click(IDC_SET_REMOTE_COPY, &CSettingsDlg::OnCopyToken),
    };
    return routes;
}

bool CSettingsDlg::OnInitDialog() {
    // What the program works with: a bad value in the file shows as its default.
    const brv::SettingTexts texts = brv::TextsOf(brv::ReadSettings(m_path).settings);
    m_tokenHash = texts[static_cast<size_t>(brv::SettingKey::RemoteTokenSha256)];
    ShowTokenState();
    for (const Field& f : kFields) {
        const std::wstring& text = texts[static_cast<size_t>(f.key)];
        if (f.maxChars < 0) {
            continue;
        }
        if (f.maxChars == 0) {
            CheckDlgButton(Hwnd(), f.id, text == L"1" ? BST_CHECKED : BST_UNCHECKED);
        } else {
            brv::Edit edit(Hwnd(), f.id);
            edit.LimitText(f.maxChars);
            edit.SetText(text);
        }
    }
    return true;
}

void CSettingsDlg::OnSave() {
    brv::SettingTexts texts;
    for (const Field& f : kFields) {
        texts[static_cast<size_t>(f.key)] =
            f.maxChars < 0    ? m_tokenHash
            : f.maxChars == 0 ? (IsDlgButtonChecked(Hwnd(), f.id) == BST_CHECKED ? L"1" : L"0")
                              : brv::Window(Hwnd(), f.id).GetText();
    }
    const auto result = brv::SettingsFromTexts(texts);
    if (const auto* problem = std::get_if<brv::SettingProblem>(&result)) {
        brv::ShowMessage(Hwnd(), brv::SettingsProblemMessage(*problem), brv::kCaptionError,
                         brv::kMbOk | brv::kMbIconError);
        HWND field = Item(FieldId(problem->key));
        SetFocus(field);
        SendMessageW(field, EM_SETSEL, 0, -1);
        return;
    }
    const auto& settings = std::get<brv::BrivanSettings>(result);
    if (!brv::WriteSettings(m_path, settings)) {
        return; // the write message has been shown; the dialog stays for another try or Cancel
    }
    m_saved = settings;
    EndDialog(IDOK);
}

void CSettingsDlg::OnRemoteEnabled() {
    // The endpoint is first enabled: it gets its token now, while the operator is here to see it.
    if (IsDlgButtonChecked(Hwnd(), IDC_SET_REMOTE_ENABLED) == BST_CHECKED && m_tokenHash.empty()) {
        OnNewToken();
    }
}

void CSettingsDlg::OnNewToken() {
    const std::string token = brv::remote::NewToken();
    if (token.empty()) {
        brv::ShowMessage(Hwnd(), L"Не удалось создать токен.", brv::kCaptionError,
                         brv::kMbOk | brv::kMbIconError);
        return;
    }
    m_tokenHash = brv::FromUtf8(brv::remote::TokenHashHex(token));
    brv::Edit(Hwnd(), IDC_SET_REMOTE_TOKEN).SetText(brv::FromUtf8(token));
    EnableWindow(Item(IDC_SET_REMOTE_COPY), TRUE);
}

void CSettingsDlg::OnCopyToken() {
    const std::wstring token = brv::Window(Hwnd(), IDC_SET_REMOTE_TOKEN).GetText();
    if (token.empty() || !OpenClipboard(Hwnd())) {
        return;
    }
    EmptyClipboard();
    const size_t bytes = (token.size() + 1) * sizeof(wchar_t);
    if (HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes)) {
        memcpy(GlobalLock(memory), token.c_str(), bytes);
        GlobalUnlock(memory);
        if (!SetClipboardData(CF_UNICODETEXT, memory)) {
            GlobalFree(memory);
        }
    }
    CloseClipboard();
}

void CSettingsDlg::ShowTokenState() {
    // Only the hash is kept: a token made earlier cannot be shown again.
    brv::Edit(Hwnd(), IDC_SET_REMOTE_TOKEN)
        .SetText(m_tokenHash.empty() ? L"(нет токена)" : L"(задан; новый — кнопкой «Новый токен»)");
    EnableWindow(Item(IDC_SET_REMOTE_COPY), FALSE);
}

namespace brv {

std::optional<BrivanSettings> OpenSettingsDialog(HWND owner, const std::wstring& iniPath) {
    CSettingsDlg dialog(iniPath);
    if (dialog.DoModal(owner) == IDOK) {
        return dialog.Saved();
    }
    return std::nullopt;
}

} // namespace brv
