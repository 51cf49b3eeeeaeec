#include "profile/ProfileLists.h"

ProfileLists& ProfileLists::Process() {
    static ProfileLists lists;
    return lists;
}

int32_t ProfileLists::Selection(int slot) const {
    if (slot < 0 || static_cast<size_t>(slot) >= selections.size()) {
        return -1;
    }
    return selections[static_cast<size_t>(slot)];
}

void ProfileLists::SetSelection(int slot, int32_t value) {
    if (slot < 0) {
        return;
    }
    if (static_cast<size_t>(slot) >= selections.size()) {
        selections.resize(static_cast<size_t>(slot) + 1, -1);
    }
    selections[static_cast<size_t>(slot)] = value;
}
