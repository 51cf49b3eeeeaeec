#pragma once
// The set-master list's editing rules, apart from the dialogs that drive them.
#include <string>
#include <vector>

namespace brv {

// The lines of a multi-line field's text. CR LF, a lone LF and a lone CR each end a line; text that
// ends with a line break has an empty last line; an empty text is one empty line.
std::vector<std::wstring> SplitFieldLines(const std::wstring& text);

// Removes every "setmaster add " (exact, case respected), then every blank (U+0020).
std::wstring CleanSetmasterLine(std::wstring line);

// Cleans each line and appends it unless the list already holds it (earlier lines of the same pass
// included). Lines are taken whole, whatever their length. Returns how many were appended.
int AppendSetmasterLines(std::vector<std::wstring>& list, const std::vector<std::wstring>& lines);

// Replaces the first entry equal to `oldEntry` by `newEntry` as typed; false when none matched.
bool ReplaceSetmaster(std::vector<std::wstring>& list, const std::wstring& oldEntry,
                      const std::wstring& newEntry);

} // namespace brv
