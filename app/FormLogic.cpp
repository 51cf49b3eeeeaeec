#include "app/FormLogic.h"

#include "app/PortCheck.h"
#include "framework/Messages.h"
#include "framework/Report.h"
#include "profile/HeaderValues.h"

namespace brv {

int SavedSelection(const std::vector<int32_t>& selections, int slot) {
    if (slot < 0 || static_cast<size_t>(slot) >= selections.size()) {
        return -1;
    }
    return selections[static_cast<size_t>(slot)];
}

void StoreSelection(std::vector<int32_t>& selections, int slot, int value) {
    if (selections.size() <= static_cast<size_t>(slot)) {
        selections.resize(static_cast<size_t>(slot) + 1, -1);
    }
    selections[static_cast<size_t>(slot)] = value;
}

namespace {

void SelectSaved(ChoiceList& list, const std::vector<int32_t>& selections, int slot) {
    const int i = SavedSelection(selections, slot);
    // An index that names no entry leaves the drop-down without a selection.
    list.Select(i >= 0 && i < list.Count() ? i : -1);
}

void AddAllSelectFirst(ChoiceList& list, const std::vector<std::wstring>& entries) {
    list.AddAll(entries);
    if (list.Count() > 0) {
        list.Select(0);
    }
}

} // namespace

void FillForm(const Form& form, const brvRunSL& record, const ProfileLists& lists,
              const std::wstring& localAddress) {
    form.serverName->SetText(record.serverName);
    form.rconPassword->SetText(record.rconPassword);
    form.ipAddress->SetText(localAddress);
    form.port->SetText(record.port);
    form.playerCount->SetText(record.playerCount);
    form.extraParams->SetText(record.extraParams);
    form.gamePassword->SetText(record.gamePassword);

    SelectSaved(*form.game, lists.selections, kSelGame);
    SelectSaved(*form.serverType, lists.selections, kSelServerType);
    SelectSaved(*form.priority, lists.selections, kSelPriority);
    SelectSaved(*form.mapSource, lists.selections, kSelMapSource);

    form.activeServer->Enable(false);
    form.storedCommands->Enable(false);
    form.consoleCommand->Enable(false);
    form.enterButton->Enable(false);
    form.stopButton->Enable(false);
    form.removeCommandButton->Enable(false);

    AddAllSelectFirst(*form.extraChoices, lists.extraChoices);
    AddAllSelectFirst(*form.storedCommands, lists.storedCommands);
    form.setmasters->AddAll(lists.setmasters);
}

void OnStartMapChanged(const Form& form, brvRunSL& record) {
    const int i = form.startMap->Selection();
    record.startMapIndex = i;
    // With nothing selected (an empty map source) the last start map stays the one to launch with.
    if (i >= 0) {
        record.map = form.startMap->TextAt(i);
    }
}

void OnGameChanged(const Form& form, ProfileLists& lists, const RefreshStartMaps& refresh) {
    StoreSelection(lists.selections, kSelGame, form.game->Selection());
    form.startMap->Clear();
    refresh();
}

void OnServerTypeChanged(const Form& form, ProfileLists& lists) {
    StoreSelection(lists.selections, kSelServerType, form.serverType->Selection());
}

void OnPriorityChanged(const Form& form, ProfileLists& lists) {
    StoreSelection(lists.selections, kSelPriority, form.priority->Selection());
}

void OnMapSourceChanged(const Form& form, ProfileLists& lists, const RefreshStartMaps& refresh) {
    StoreSelection(lists.selections, kSelMapSource, form.mapSource->Selection());
    form.startMap->Clear();
    refresh();
}

namespace {

// Refuses the form when a text the profile would store reads as a section header; nothing of the form
// is taken then, so no later save can write it.
bool RefusesHeaderValues(const Form& form) {
    for (const TextField* field : {form.ipAddress, form.gamePassword, form.port, form.playerCount,
                                   form.extraParams, form.rconPassword, form.serverName}) {
        if (RefuseHeaderValue(form.owner, field->Text())) {
            return true;
        }
    }
    return RefuseHeaderValue(form.owner, form.startMap->SelectedText());
}

} // namespace

bool CaptureSettings(const Form& form, brvRunSL& record, ProfileLists& lists) {
    if (RefusesHeaderValues(form)) {
        return false;
    }
    record.ip = form.ipAddress->Text();
    record.gamePassword = form.gamePassword->Text();
    record.port = form.port->Text();
    switch (CheckPort(record.port)) {
    case PortVerdict::Zero:
        ShowMessage(form.owner, kMsgPortZero, kCaptionError, kMbOk | kMbIconError);
        return false;
    case PortVerdict::TooLarge:
        ShowMessage(form.owner, kMsgPortTooLarge, kCaptionError, kMbOk | kMbIconError);
        return false;
    case PortVerdict::Ok:
        break;
    }
    record.playerCount = form.playerCount->Text();
    record.extraParams = form.extraParams->Text();
    record.rconPassword = form.rconPassword->Text();
    record.consoleCommand = form.consoleCommand->Text();
    record.serverName = form.serverName->Text();
    OnStartMapChanged(form, record);

    StoreSelection(lists.selections, kSelGame, form.game->Selection());
    StoreSelection(lists.selections, kSelServerType, form.serverType->Selection());
    StoreSelection(lists.selections, kSelPriority, form.priority->Selection());
    StoreSelection(lists.selections, kSelMapSource, form.mapSource->Selection());
    record.networkType = form.serverType->Selection();

    lists.setmasters.clear();
    for (int i = 0, n = form.setmasters->Count(); i < n; ++i) {
        lists.setmasters.push_back(form.setmasters->TextAt(i));
    }
    return true;
}

} // namespace brv
