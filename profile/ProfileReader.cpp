#include "profile/ProfileReader.h"

#include "framework/Text.h"

namespace brv {

void ProfileReader::Feed(std::string_view bytes) {
    size_t i = 0;
    if (m_haveOddByte && !bytes.empty()) {
        TakeUnit(static_cast<char16_t>(m_oddByte | (static_cast<unsigned char>(bytes[0]) << 8)));
        m_haveOddByte = false;
        i = 1;
    }
    for (; i + 1 < bytes.size(); i += 2) {
        TakeUnit(static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                       (static_cast<unsigned char>(bytes[i + 1]) << 8)));
    }
    if (i < bytes.size()) {
        m_oddByte = static_cast<unsigned char>(bytes[i]);
        m_haveOddByte = true;
    }
}

void ProfileReader::Finish() {
    m_line.clear();
    m_pendingSurrogate = 0;
    m_haveOddByte = false;
}

void ProfileReader::TakeUnit(char16_t unit) {
    if (m_atFileStart) {
        m_atFileStart = false;
        // The built-in default starts with a byte-order mark; it is not part of the first header.
        if (unit == 0xFEFF) {
            return;
        }
    }
    if (unit == u'\n') {
        FlushUtf16(m_line, m_pendingSurrogate);
        TakeLine();
        m_line.clear();
    } else if (unit != u'\r') {
        AppendUtf16Unit(m_line, unit, m_pendingSurrogate);
    }
}

void ProfileReader::TakeLine() {
    const Section header = HeaderOf(m_line);
    if (header != Section::kNone) {
        m_section = header;
        return;
    }
    switch (m_section) {
    case Section::kNone:
        break;
    case Section::kNameServer:
        m_record.serverName = m_line;
        break;
    case Section::kGame:
        m_lists.games.push_back(m_line);
        break;
    case Section::kMap:
        m_record.map = m_line;
        break;
    case Section::kIpServer:
        m_record.ip = m_line;
        break;
    case Section::kPort:
        m_record.port = m_line;
        break;
    case Section::kNumberPlayers:
        m_record.playerCount = m_line;
        break;
    case Section::kAddParameters:
        m_record.extraParams = m_line;
        break;
    case Section::kPrioritet:
        m_lists.priorities.push_back(ParseHexU32(m_line));
        break;
    case Section::kRcon:
        m_record.rconPassword = m_line;
        break;
    case Section::kTypeServer:
        m_lists.serverTypes.push_back(m_line);
        break;
    case Section::kCurSelComboBoxes:
        m_lists.selections.push_back(ParseDecI32(m_line));
        break;
    case Section::kPathLoadMaps:
        m_lists.mapSources.push_back(m_line);
        break;
    case Section::kComboAddParameters:
        m_lists.extraChoices.push_back(m_line);
        break;
    case Section::kComboCommands:
        m_lists.storedCommands.push_back(m_line);
        break;
    case Section::kPasswordGame:
        m_record.gamePassword = m_line;
        break;
    case Section::kSetmasters:
        m_lists.setmasters.push_back(m_line);
        break;
    }
}

void ReadProfileBytes(std::string_view bytes, brvRunSL& record, ProfileLists& lists) {
    ProfileReader reader(record, lists);
    reader.Feed(bytes);
    reader.Finish();
}

} // namespace brv
