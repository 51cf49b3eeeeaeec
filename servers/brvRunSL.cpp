#include "servers/brvRunSL.h"

// The record is a plain value; its defaults live in the declaration. This unit anchors its virtual
// destructor's type information in one place.
static_assert(sizeof(brvRunSL) > 0);
