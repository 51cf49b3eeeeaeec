#pragma once
// What the server code needs from the main window. The main window implements it; tests use a
// recording stand-in. Unless marked otherwise, a call is made on the window thread only.
#include "framework/Report.h"

#include <string>

class ServerHost {
public:
    virtual ~ServerHost() = default;

    // Active server drop-down 1002 (sorted).
    virtual int ActiveCount() = 0;
    virtual int ActiveSelection() = 0; // -1 when none
    virtual std::wstring ActiveText(int index) = 0;
    virtual int AddActive(const std::wstring& title) = 0; // the new entry's index
    virtual void SelectActive(int index) = 0;
    virtual void DeleteActive(int index) = 0;

    // Stored commands drop-down 1014.
    virtual int StoredCommandCount() = 0;

    // Enables 1002, 1019, 1003, 1004 and 2, and with stored commands also 1014 and 1016.
    virtual void EnableRunControls(bool withStoredCommands) = 0;
    // Disables 1019, 1002, 1014, 1003, 1004 and 1016.
    virtual void DisableRunControls() = 0;

    // The owner window (HWND) for message boxes; any thread (a value, never a call into the window).
    virtual void* OwnerWindow() = 0;
    // Ends the dialog as cancelled (OnCancel).
    virtual void EndDialogCancel() = 0;

    // Post only, from any thread: queue work for the window thread and return at once, never waiting
    // for the window thread (it may be waiting for the caller).
    // The console of the server with this title has been found and titled: the window thread then
    // calls UpdateFormForServer (ServerForm.h) with kConsoleFound.
    virtual void PostConsoleFound(const std::wstring& title) = 0;
    // A message a restart must show; the window thread shows it with brv::ShowMessage.
    virtual void PostReport(const brv::Report& report) = 0;
};
