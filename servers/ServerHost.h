#pragma once
// What the server code needs from the main window. The main window implements it; tests use a
// recording stand-in. Unless marked otherwise, a call is made on the window thread only.
#include "framework/Report.h"
#include "profile/ProfileLists.h"
#include "servers/brvRunSL.h"

#include <string>

class ServerHost {
public:
    virtual ~ServerHost() = default;

    // The current settings record and the profile lists (window thread).
    virtual brvRunSL& CurrentSettings() = 0;
    virtual const ProfileLists& Lists() = 0;

    // Selections of the game (1011) and server type (1015) drop-downs.
    virtual int GameSelection() = 0;
    virtual int ServerTypeSelection() = 0;
    // Selection of the priority drop-down (1012). Any thread: the host answers from a cache that the
    // window thread keeps current, never by asking the control.
    virtual int PrioritySelection() = 0;
    // The priority class list, read under the same rule as PrioritySelection (any thread).
    virtual bool PriorityClassAt(int index, uint32_t& priorityClass) = 0;

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

    // Post only, from the supervision thread: queue work for the window thread and return at once,
    // never waiting for the window thread (it may be waiting for the supervision thread).
    // A restart has appended the server with this title: the window thread then calls
    // OnServerRestarted (ServerStop.h).
    virtual void PostRestarted(const std::wstring& title) = 0;
    // A message a restart must show; the window thread shows it with brv::ShowMessage.
    virtual void PostReport(const brv::Report& report) = 0;
};
