#include "app/brvCtrlStruct_win.h"

void brvCtrlStruct::Fill(HWND dialog) {
    brv::ForEachMainControl([dialog](int id, auto& control) { control.Bind(GetDlgItem(dialog, id)); }, *this);
}
