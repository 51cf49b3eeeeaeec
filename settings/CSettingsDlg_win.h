#pragma once
// "Настройки" (template 170): every setting of Brivan.ini, checked as typed and written at once.
#include "framework/Dialog_win.h"
#include "settings/BrivanSettings.h"

#include <optional>
#include <span>
#include <string>

class CSettingsDlg : public brv::DialogT<CSettingsDlg> {
public:
    // `iniPath`: the full path of Brivan.ini; the dialog shows what it holds now.
    explicit CSettingsDlg(std::wstring iniPath);
    static std::span<const Route> Routes();

    // What the last successful save wrote (after DoModal returned IDOK).
    const brv::BrivanSettings& Saved() const { return m_saved; }

protected:
    bool OnInitDialog() override;

private:
    void OnSave();
    void OnRemoteEnabled();
    void OnNewToken();
    void OnCopyToken();
    void ShowTokenState();

    std::wstring m_path;
    brv::BrivanSettings m_saved;
    std::wstring m_tokenHash; // "TokenSha256" as it will be saved
};

namespace brv {

// Shows the dialog; the settings written, or nothing when the operator cancelled.
std::optional<BrivanSettings> OpenSettingsDialog(HWND owner, const std::wstring& iniPath);

} // namespace brv
