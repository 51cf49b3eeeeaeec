#pragma once
// The main window's control cache: one bound control per control of template 102 (the fields of
// MainControls), unbound until the window's initialisation fills it. Every part reaches the form
// through it.
#include "app/FormBinding_win.h"
#include "app/FormControls.h"

struct brvCtrlStruct : brv::MainControls<brv::BoundControl> {
    virtual ~brvCtrlStruct() = default;

    // Looks up every control of the window by id, in field order.
    void Fill(HWND dialog);
    // The form's logic sees the controls through this.
    brv::Form AsForm(HWND dialog) { return brv::MakeForm(*this, dialog); }
};
