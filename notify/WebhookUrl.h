#pragma once
// What the webhook's address says about where a notice may go and in what shape: the token of a chat
// webhook is part of its URL, so plain http is allowed only to this machine, and the body's field is
// the one the named service reads.
#include <string>
#include <string_view>

namespace brv {

struct UrlParts {
    std::wstring scheme; // lower case: "http", "https"
    std::wstring host;   // lower case, without the user part, the port or IPv6 brackets
    std::wstring path;   // from the first '/', '?' or '#' on; may be empty
};

// The parts of an absolute http(s) URL; an empty scheme when it is none.
UrlParts SplitUrl(std::wstring_view url);

// "localhost", 127.x.y.z written as four decimal numbers, or ::1.
bool IsLoopbackHost(std::wstring_view host);

enum class UrlVerdict { Allowed, NotHttp, PlainHttpAway };

// https anywhere; http only to a loopback host.
UrlVerdict WebhookUrlVerdict(std::wstring_view url);

enum class WebhookService { Discord, Slack, Unknown };

// Discord: discord.com or discordapp.com (any subdomain) under /api/webhooks/. Slack and
// Mattermost-style: hooks.slack.com, or any path with /hooks/ in it.
WebhookService WebhookServiceOf(std::wstring_view url);

} // namespace brv
