#pragma once
// The eight lists filled from the profile. One set exists per process (ProfileLists::Process());
// operations take the lists as a parameter so tests can use their own.
#include <cstdint>
#include <string>
#include <vector>

struct ProfileLists {
    std::vector<std::wstring> games;          // [GAME]: "-game <dir>", indexed by drop-down 1011
    std::vector<uint32_t> priorities;         // [PRIORITET]: process priority classes, indexed by 1012
    std::vector<std::wstring> serverTypes;    // [TYPESERVER]: indexed by 1015
    std::vector<int32_t> selections;          // [CURSELCOMBOBOXES]: game, server type, priority, map source
    std::vector<std::wstring> mapSources;     // [PATHLOADMAPS]: indexed by 1001
    std::vector<std::wstring> extraChoices;   // [COMBO_ADD_PARAMETERS]
    std::vector<std::wstring> storedCommands; // [COMBO_COMMANDS]
    std::vector<std::wstring> setmasters;     // [SETMASTERS]

    static ProfileLists& Process();

    // A saved selection, or -1 ("no selection") when the profile holds fewer than four.
    int32_t Selection(int slot) const;
    // Sets a saved selection; a short list is first filled up with "no selection".
    void SetSelection(int slot, int32_t value);
};

// Positions in the selection list.
enum SelectionSlot : int { kSelGame = 0, kSelServerType = 1, kSelPriority = 2, kSelMapSource = 3 };
