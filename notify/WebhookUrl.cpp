#include "notify/WebhookUrl.h"

namespace brv {
namespace {

std::wstring Lower(std::wstring_view text) {
    std::wstring out(text);
    for (wchar_t& c : out) {
        if (c >= L'A' && c <= L'Z') {
            c = static_cast<wchar_t>(c + 32);
        }
    }
    return out;
}

bool EndsWith(std::wstring_view text, std::wstring_view tail) {
    return text.size() >= tail.size() && text.substr(text.size() - tail.size()) == tail;
}

// The host itself or any name under it.
bool IsUnder(std::wstring_view host, std::wstring_view domain) {
    return host == domain || EndsWith(host, L"." + std::wstring(domain));
}

} // namespace

UrlParts SplitUrl(std::wstring_view url) {
    UrlParts parts;
    const size_t colon = url.find(L"://");
    if (colon == std::wstring_view::npos) {
        return parts;
    }
    const std::wstring scheme = Lower(url.substr(0, colon));
    if (scheme != L"http" && scheme != L"https") {
        return parts;
    }
    parts.scheme = scheme;
    std::wstring_view rest = url.substr(colon + 3);
    // A backslash ends the authority too, as some URL readers take it for a slash.
    const size_t end = rest.find_first_of(L"/?#\\");
    std::wstring_view authority = rest.substr(0, end);
    parts.path = end == std::wstring_view::npos ? std::wstring() : std::wstring(rest.substr(end));
    const size_t at = authority.rfind(L'@');
    if (at != std::wstring_view::npos) {
        authority.remove_prefix(at + 1);
    }
    if (!authority.empty() && authority.front() == L'[') {
        const size_t close = authority.find(L']');
        parts.host =
            Lower(authority.substr(1, close == std::wstring_view::npos ? authority.size() : close - 1));
    } else {
        parts.host = Lower(authority.substr(0, authority.find(L':')));
    }
    return parts;
}

bool IsLoopbackHost(std::wstring_view host) {
    if (host == L"localhost" || host == L"::1") {
        return true;
    }
    // Exactly four decimal numbers up to 255, the first 127: "127.0.0.1.example.org" is not one.
    int numbers = 0;
    int first = -1;
    size_t i = 0;
    while (i <= host.size()) {
        size_t digits = 0;
        int value = 0;
        while (i < host.size() && host[i] >= L'0' && host[i] <= L'9' && digits < 4) {
            value = value * 10 + (host[i] - L'0');
            ++digits;
            ++i;
        }
        if (digits == 0 || digits > 3 || value > 255) {
            return false;
        }
        if (++numbers == 1) {
            first = value;
        }
        if (i == host.size()) {
            break;
        }
        if (host[i] != L'.' || numbers == 4) {
            return false;
        }
        ++i;
    }
    return numbers == 4 && first == 127;
}

UrlVerdict WebhookUrlVerdict(std::wstring_view url) {
    const UrlParts parts = SplitUrl(url);
    if (parts.scheme.empty() || parts.host.empty()) {
        return UrlVerdict::NotHttp;
    }
    if (parts.scheme == L"http" && !IsLoopbackHost(parts.host)) {
        return UrlVerdict::PlainHttpAway;
    }
    return UrlVerdict::Allowed;
}

WebhookService WebhookServiceOf(std::wstring_view url) {
    const UrlParts parts = SplitUrl(url);
    const std::wstring path = Lower(parts.path);
    if ((IsUnder(parts.host, L"discord.com") || IsUnder(parts.host, L"discordapp.com")) &&
        path.starts_with(L"/api/webhooks/")) {
        return WebhookService::Discord;
    }
    if (IsUnder(parts.host, L"hooks.slack.com") || path.find(L"/hooks/") != std::wstring::npos) {
        return WebhookService::Slack;
    }
    return WebhookService::Unknown;
}

} // namespace brv
