#include "setmasters/SetmasterEdits.h"

#include "framework/Report.h"
#include "profile/HeaderValues.h"
#include "setmasters/SetmasterLines.h"

namespace brv {

void RefillSetmasterBox(ChoiceList& box, const std::vector<std::wstring>& list) {
    box.Clear();
    for (const auto& entry : list) {
        box.Add(entry);
    }
}

AddOutcome AddSetmasters(const std::wstring& fieldText, std::vector<std::wstring>& list, const SaveFn& save,
                         void* owner) {
    if (fieldText.empty()) {
        return AddOutcome::NothingToAdd;
    }
    const std::vector<std::wstring> lines = SplitFieldLines(fieldText);
    for (const auto& line : lines) {
        if (RefuseHeaderValue(owner, CleanSetmasterLine(line))) {
            return AddOutcome::Refused;
        }
    }
    AppendSetmasterLines(list, lines);
    return save() ? AddOutcome::Saved : AddOutcome::SaveFailed;
}

bool SaveChangedSetmaster(std::vector<std::wstring>& list, const std::wstring& oldEntry,
                          const std::wstring& newText, const SaveFn& save, void* owner) {
    if (RefuseHeaderValue(owner, newText)) {
        return false;
    }
    ReplaceSetmaster(list, oldEntry, newText);
    return save();
}

std::optional<std::wstring> ChosenSetmaster(ChoiceList& box) {
    if (box.Count() == 0) {
        return std::nullopt;
    }
    if (box.Selection() < 0) {
        box.Select(0);
    }
    return box.SelectedText();
}

void DeleteSetmaster(ChoiceList& box, void* owner, const SaveFn& capture, const SaveFn& save) {
    const auto entry = ChosenSetmaster(box);
    if (!entry) {
        return;
    }
    std::wstring question = kAskDeleteSetmaster;
    question.replace(question.find(L"%s"), 2, *entry);
    if (ShowMessage(owner, question, kCaptionDeleteSetmaster, kMbYesNo | kMbIconQuestion) != kIdYes) {
        return;
    }
    box.Remove(box.Selection());
    if (capture()) {
        save();
    }
}

} // namespace brv
