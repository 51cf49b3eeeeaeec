#pragma once
// Console command entry: the Enter button, the stored commands, the extra parameter choices.
#include "app/FormControls.h"
#include "profile/ProfileLists.h"
#include "servers/brvRunSL.h"

#include <functional>
#include <string>

namespace brv {

// Hands a line to the server listed under `title`; does nothing when no server has that title.
using SendToServer = std::function<void(const std::wstring& title, const std::wstring& line)>;
// Saves the profile; false after it has reported the failure.
using SaveProfileFn = std::function<bool()>;

// The line a server receives for a command: the command, a blank and a line feed.
std::wstring ConsoleLine(const std::wstring& command);

// Sends the command to the selected server (none selected: nothing is sent) and stores it when it is
// new and not empty; one that reads as a profile header is refused with a message and not stored.
void EnterCommand(const Form& form, brvRunSL& record, ProfileLists& lists, const SendToServer& send,
                  const SaveProfileFn& save);
void OnStoredCommandChosen(const Form& form);
void RemoveStoredCommand(const Form& form, ProfileLists& lists, const SaveProfileFn& save);
void OnExtraChoice(const Form& form, brvRunSL& record);

} // namespace brv
