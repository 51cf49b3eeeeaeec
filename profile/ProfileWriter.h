#pragma once
// The whole profile text in the program's layout, from a record and the lists.
#include "profile/ProfileLists.h"
#include "servers/brvRunSL.h"

#include <string>

namespace brv {

// Every line ends with CR LF; no byte-order mark. A value cannot hold a line break: one that does
// (never typed into the form, but possible through a list) is written without its CR and LF, so it
// can never spill into the next line or forge a section.
std::wstring ComposeProfileText(const brvRunSL& record, const ProfileLists& lists);

} // namespace brv
