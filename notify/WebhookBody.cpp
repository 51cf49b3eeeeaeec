#include "notify/WebhookBody.h"

#include "framework/Text.h"
#include "notify/NotifyTexts.h"

namespace brv {

std::string JsonString(const std::wstring& text) {
    static constexpr char kHex[] = "0123456789abcdef";
    // ToUtf8 already turns a lone surrogate into U+FFFD, so the result is always valid UTF-8.
    const std::string utf8 = ToUtf8(text);
    std::string out = "\"";
    out.reserve(utf8.size() + 2);
    for (char ch : utf8) {
        const auto c = static_cast<unsigned char>(ch);
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (c < 0x20 || c == 0x7F) {
                out += "\\u00";
                out.push_back(kHex[c >> 4]);
                out.push_back(kHex[c & 0xF]);
            } else {
                out.push_back(ch);
            }
        }
    }
    out += '"';
    return out;
}

std::string WebhookBody(const std::wstring& content, WebhookService service) {
    const std::string text = JsonString(FitText(content, kWebhookMaxContentChars));
    switch (service) {
    case WebhookService::Discord:
        return "{\"content\":" + text + "}";
    case WebhookService::Slack:
        return "{\"text\":" + text + "}";
    case WebhookService::Unknown:
        break;
    }
    return "{\"content\":" + text + ",\"text\":" + text + "}";
}

} // namespace brv
