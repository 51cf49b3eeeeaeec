#include "profile/ProfileReader.h"

#include "framework/Text.h"

namespace brv {

void ProfileReader::Feed(std::string_view bytes) {
    size_t i = 0;
    if (haveOddByte_ && !bytes.empty()) {
        TakeUnit(static_cast<char16_t>(oddByte_ | (static_cast<unsigned char>(bytes[0]) << 8)));
        haveOddByte_ = false;
        i = 1;
    }
    for (; i + 1 < bytes.size(); i += 2) {
        TakeUnit(static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                       (static_cast<unsigned char>(bytes[i + 1]) << 8)));
    }
    if (i < bytes.size()) {
        oddByte_ = static_cast<unsigned char>(bytes[i]);
        haveOddByte_ = true;
    }
}

void ProfileReader::Finish() {
    line_.clear();
    pendingSurrogate_ = 0;
    haveOddByte_ = false;
}

void ProfileReader::TakeUnit(char16_t unit) {
    if (atFileStart_) {
        atFileStart_ = false;
        // The built-in default starts with a byte-order mark; it is not part of the first header.
        if (unit == 0xFEFF) {
            return;
        }
    }
    if (unit == u'\n') {
        FlushUtf16(line_, pendingSurrogate_);
        TakeLine();
        line_.clear();
    } else if (unit != u'\r') {
        AppendUtf16Unit(line_, unit, pendingSurrogate_);
    }
}

void ProfileReader::TakeLine() {
    const Section header = HeaderOf(line_);
    if (header != Section::kNone) {
        section_ = header;
        return;
    }
    switch (section_) {
    case Section::kNone:
        break;
    case Section::kNameServer:
        record_.serverName = line_;
        break;
    case Section::kGame:
        lists_.games.push_back(line_);
        break;
    case Section::kMap:
        record_.map = line_;
        break;
    case Section::kIpServer:
        record_.ip = line_;
        break;
    case Section::kPort:
        record_.port = line_;
        break;
    case Section::kNumberPlayers:
        record_.playerCount = line_;
        break;
    case Section::kAddParameters:
        record_.extraParams = line_;
        break;
    case Section::kPrioritet:
        lists_.priorities.push_back(ParseHexU32(line_));
        break;
    case Section::kRcon:
        record_.rconPassword = line_;
        break;
    case Section::kTypeServer:
        lists_.serverTypes.push_back(line_);
        break;
    case Section::kCurSelComboBoxes:
        lists_.selections.push_back(ParseDecI32(line_));
        break;
    case Section::kPathLoadMaps:
        lists_.mapSources.push_back(line_);
        break;
    case Section::kComboAddParameters:
        lists_.extraChoices.push_back(line_);
        break;
    case Section::kComboCommands:
        lists_.storedCommands.push_back(line_);
        break;
    case Section::kPasswordGame:
        record_.gamePassword = line_;
        break;
    case Section::kSetmasters:
        lists_.setmasters.push_back(line_);
        break;
    }
}

void ReadProfileBytes(std::string_view bytes, brvRunSL& record, ProfileLists& lists) {
    ProfileReader reader(record, lists);
    reader.Feed(bytes);
    reader.Finish();
}

} // namespace brv
