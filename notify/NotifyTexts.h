#pragma once
// The operator's texts of the notifications (the balloon's text under the server title, and the
// webhook's message), short enough for a balloon.
#include "journal/JournalTexts.h"

#include <cstdint>
#include <string>

namespace brv {

std::wstring ExitNoticeText(uint32_t exitCode);
std::wstring WindowNoticeText(const std::wstring& message);
std::wstring FailNoticeText(FailReason reason, uint32_t retrySeconds);
std::wstring HangNoticeText(uint64_t silentSeconds);
std::wstring LoopStartNoticeText(uint32_t delaySeconds);
std::wstring LoopEndNoticeText(uint32_t quickDeathSeconds);

// The webhook's message: "Brivan: <title>: <text>".
std::wstring WebhookContent(const std::wstring& title, const std::wstring& text);

// The balloon's limits (the platform's fields hold 64 and 256 units with the terminator).
inline constexpr size_t kBalloonTitleChars = 63;
inline constexpr size_t kBalloonTextChars = 255;

// The balloon's text with each sentence on a line of its own: balloons size themselves to their
// longest line, and a long single line is clipped by some shells.
std::wstring BalloonLines(const std::wstring& text);

// Cut to at most `maxChars` units, ending in "…" when cut, never between the halves of a pair.
std::wstring FitText(const std::wstring& text, size_t maxChars);

} // namespace brv
