#include "profile/ProfileLists.h"

ProfileLists& ProfileLists::Process() {
    static ProfileLists lists;
    return lists;
}
