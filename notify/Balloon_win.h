#pragma once
// A balloon from the main window's notification-area icon. Window thread only.
#include <windows.h>

#include <string>

namespace brv {

inline constexpr UINT kBalloonIconId = 102; // the main window's notification-area icon

enum class BalloonIcon { Info, Warning, Error };

// Shows `text` under `title` (both cut to the balloon's limits) from the icon `iconId` of `window`.
// False when the platform refused, for example when the icon does not exist.
bool ShowBalloon(HWND window, const std::wstring& title, const std::wstring& text,
                 BalloonIcon icon = BalloonIcon::Warning, UINT iconId = kBalloonIconId);

} // namespace brv
