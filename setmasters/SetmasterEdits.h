#pragma once
// What the set-master buttons and dialogs do to the list, the list box and the profile.
#include "framework/ControlViews.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace brv {

inline constexpr const wchar_t* kAskDeleteSetmaster = L"\n Удалить сет-мастер '%s' ?";
inline constexpr const wchar_t* kCaptionDeleteSetmaster = L"Запрос на удаление сет-мастера";

using SaveFn = std::function<bool()>;

// Empties the list box and adds every entry of the list (the box sorts them).
void RefillSetmasterBox(ChoiceList& box, const std::vector<std::wstring>& list);

enum class AddOutcome { NothingToAdd, Refused, Saved, SaveFailed };
// "Добавить": appends the field's cleaned lines, then saves. The caller closes the dialog and
// refills the box only on Saved. A cleaned line that reads as a profile header refuses the whole
// field with a message owned by `owner`; nothing is appended or saved then.
AddOutcome AddSetmasters(const std::wstring& fieldText, std::vector<std::wstring>& list, const SaveFn& save,
                         void* owner);

// "Сохранить": replaces the old entry by the text as typed, then saves; true when saved. A text that
// reads as a profile header is refused with a message owned by `owner`, and nothing changes.
bool SaveChangedSetmaster(std::vector<std::wstring>& list, const std::wstring& oldEntry,
                          const std::wstring& newText, const SaveFn& save, void* owner);

// The entry a change or delete works on: the selected one, else the first (then selected); none when
// the box is empty.
std::optional<std::wstring> ChosenSetmaster(ChoiceList& box);

// Asks, then removes the chosen entry from the box and saves through `capture` and `save`.
void DeleteSetmaster(ChoiceList& box, void* owner, const SaveFn& capture, const SaveFn& save);

} // namespace brv
