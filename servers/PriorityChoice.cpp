#include "servers/PriorityChoice.h"

#include "servers/ServerMessages.h"

#include <algorithm>
#include <cwchar>
#include <iterator>

namespace brv {

bool IsPriorityClass(uint32_t value) {
    return std::find(std::begin(kPriorityClasses), std::end(kPriorityClasses), value) !=
           std::end(kPriorityClasses);
}

std::wstring FormatBadPriority(uint32_t value) {
    wchar_t hex[16] = {};
    std::swprintf(hex, std::size(hex), L"%x", static_cast<unsigned>(value));
    std::wstring text = kMsgBadPriority;
    text.replace(text.find(L"%s"), 2, hex);
    return text;
}

void PriorityChoice::SetClasses(std::vector<uint32_t> classes) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_classes = std::move(classes);
}

void PriorityChoice::Select(int index) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_selection = index;
}

std::optional<uint32_t> PriorityChoice::Selected() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_selection < 0 || static_cast<size_t>(m_selection) >= m_classes.size()) {
        return std::nullopt;
    }
    return m_classes[static_cast<size_t>(m_selection)];
}

} // namespace brv
