#pragma once
// The form's logic: filling it at start-up, the selection handlers and the settings capture.
#include "app/FormControls.h"
#include "profile/ProfileLists.h"
#include "servers/brvRunSL.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace brv {

// A saved selection; a profile with fewer than four counts the missing ones as "no selection".
int SavedSelection(const std::vector<int32_t>& selections, int slot);
// Stores a selection, growing a short list with "no selection" entries first.
void StoreSelection(std::vector<int32_t>& selections, int slot, int value);

// Start-up: text fields from the record (the address from this machine), the four saved selections,
// run-time controls disabled, the choices, stored commands and set-masters added.
void FillForm(const Form& form, const brvRunSL& record, const ProfileLists& lists,
              const std::wstring& localAddress);

// Empties the start-map list and fills it again for the current game and map source.
using RefreshStartMaps = std::function<void()>;

void OnStartMapChanged(const Form& form, brvRunSL& record);
void OnGameChanged(const Form& form, ProfileLists& lists, const RefreshStartMaps& refresh);
void OnServerTypeChanged(const Form& form, ProfileLists& lists);
void OnPriorityChanged(const Form& form, ProfileLists& lists);
void OnMapSourceChanged(const Form& form, ProfileLists& lists, const RefreshStartMaps& refresh);

// Copies the form into the record, the selection list and the set-master list. False after the port
// message; the fields read before the port check (address, game password, port) are kept then. False,
// with nothing taken, after the message for a text that reads as a profile header.
bool CaptureSettings(const Form& form, brvRunSL& record, ProfileLists& lists);

} // namespace brv
