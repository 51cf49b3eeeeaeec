#pragma once
// Reads the profile from its bytes as they come, in chunks of any size: a line, a UTF-16 code unit or
// a surrogate pair may be split between two chunks. Values go into the record and the lists; lists are
// appended to, never emptied.
#include "profile/ProfileFormat.h"
#include "profile/ProfileLists.h"
#include "servers/brvRunSL.h"

#include <string>
#include <string_view>

namespace brv {

class ProfileReader {
public:
    ProfileReader(brvRunSL& record, ProfileLists& lists) : m_record(record), m_lists(lists) {}

    // UTF-16LE bytes, the next piece of the file.
    void Feed(std::string_view bytes);
    // The end of the file: code units after the last LF do not form a line and are dropped.
    void Finish();

private:
    void TakeUnit(char16_t unit);
    void TakeLine();

    brvRunSL& m_record;
    ProfileLists& m_lists;
    std::wstring m_line;
    Section m_section = Section::kNone;
    char16_t m_pendingSurrogate = 0;
    unsigned char m_oddByte = 0;
    bool m_haveOddByte = false;
    bool m_atFileStart = true;
};

// The whole profile at once.
void ReadProfileBytes(std::string_view bytes, brvRunSL& record, ProfileLists& lists);

} // namespace brv
