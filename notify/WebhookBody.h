#pragma once
// The webhook's request body: {"content":"..."} in UTF-8, the form chat services' incoming webhooks accept.
#include <string>

namespace brv {

// Chat services refuse longer messages; the content is cut to this many characters.
inline constexpr size_t kWebhookMaxContentChars = 1900;

// The text as a JSON string body of its own: quotes, backslashes and control characters escaped,
// lone surrogates replaced, everything else as UTF-8.
std::string WebhookBody(const std::wstring& content);

// One text as a JSON string literal (with its quotes).
std::string JsonString(const std::wstring& text);

} // namespace brv
