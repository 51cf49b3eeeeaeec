#pragma once
// The webhook's request body in UTF-8: {"content":"..."} for Discord, {"text":"..."} for Slack and
// Mattermost, and both fields for a service the URL does not name (each of them ignores the other's).
#include "notify/WebhookUrl.h"

#include <string>

namespace brv {

// Chat services refuse longer messages; the content is cut to this many characters.
inline constexpr size_t kWebhookMaxContentChars = 1900;

// The text as a JSON string body of its own: quotes, backslashes and control characters escaped,
// lone surrogates replaced, everything else as UTF-8.
std::string WebhookBody(const std::wstring& content, WebhookService service);

// One text as a JSON string literal (with its quotes).
std::string JsonString(const std::wstring& text);

} // namespace brv
