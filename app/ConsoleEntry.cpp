#include "app/ConsoleEntry.h"

#include "profile/HeaderValues.h"

#include <algorithm>

namespace brv {

std::wstring ConsoleLine(const std::wstring& command) {
    return command + L" \n";
}

void EnterCommand(const Form& form, brvRunSL& record, ProfileLists& lists, const SendToServer& send,
                  const SaveProfileFn& save) {
    record.consoleCommand = form.consoleCommand->Text();
    record.activeServerIndex = form.activeServer->Selection();
    record.selectedServerTitle = form.activeServer->SelectedText();
    if (record.activeServerIndex >= 0) {
        send(record.selectedServerTitle, ConsoleLine(record.consoleCommand));
    }

    const std::wstring& command = record.consoleCommand;
    ChoiceList& stored = *form.storedCommands;
    for (int i = 0, n = stored.Count(); i < n; ++i) {
        if (stored.TextAt(i) == command) {
            return;
        }
    }
    if (command.empty() || RefuseHeaderValue(form.owner, command)) {
        return; // sent all the same; only storing it would harm the profile
    }
    stored.Add(command);
    lists.storedCommands.push_back(command);
    if (stored.Count() == 1) {
        stored.Select(0);
        form.removeCommandButton->Enable(true);
        stored.Enable(true);
    }
    save();
}

void OnStoredCommandChosen(const Form& form) {
    form.consoleCommand->SetText(form.storedCommands->SelectedText());
}

void RemoveStoredCommand(const Form& form, ProfileLists& lists, const SaveProfileFn& save) {
    ChoiceList& stored = *form.storedCommands;
    if (stored.Selection() < 0) {
        return; // nothing chosen to remove
    }
    const std::wstring text = stored.SelectedText();
    for (int i = 0, n = stored.Count(); i < n; ++i) {
        if (stored.TextAt(i) != text) {
            continue;
        }
        stored.Remove(i);
        auto& list = lists.storedCommands;
        const auto at = std::find(list.begin(), list.end(), text);
        if (at != list.end()) {
            list.erase(at);
        }
        stored.Select(stored.Count() > 0 ? 0 : -1);
        if (!save()) {
            return;
        }
        break;
    }
    if (stored.Count() == 0) {
        form.removeCommandButton->Enable(false);
        stored.Enable(false);
    }
}

void OnExtraChoice(const Form& form, brvRunSL& record) {
    record.extraParams = form.extraParams->Text();
    const std::wstring choice = form.extraChoices->SelectedText();
    form.extraParams->SetText(record.extraParams.empty() ? choice : record.extraParams + L" " + choice);
}

} // namespace brv
