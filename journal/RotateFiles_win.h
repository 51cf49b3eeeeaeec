#pragma once
// Rotation of "Brivan.log" on disk. A log viewer often holds the file open without delete sharing,
// which forbids renaming it: the file is then copied to its next generation and emptied in place, so
// the journal never grows past its limit by more than one batch of lines.
#include <cstdint>
#include <string>

namespace brv {

// Rotates the journal `folder`\"Brivan.log" when it has reached `limit` bytes. Returns 0 when the file
// may now be appended to (rotated, or not yet due), otherwise the platform's error code: the caller then
// keeps its lines for a later try rather than let the file grow.
unsigned long RotateJournalIfDue(const std::wstring& folder, uint64_t limit);

} // namespace brv
