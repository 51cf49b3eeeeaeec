#pragma once
// A whole main window form of plain stand-ins, bound from the same table as the real window's.
#include "app/FormControls.h"
#include "tests/native/framework/FakeControls.h"

namespace fake {

template <brv::ControlKind K> struct FakeOfKind { using type = List; };
template <> struct FakeOfKind<brv::ControlKind::Edit> { using type = Field; };
template <> struct FakeOfKind<brv::ControlKind::Address> { using type = Field; };
template <> struct FakeOfKind<brv::ControlKind::Button> { using type = Button; };
template <brv::ControlKind K> using FakeOf = typename FakeOfKind<K>::type;

// The fixed drop-downs hold their template entries; the others sort as the real ones do.
struct FormFake : brv::MainControls<FakeOf> {
    brv::Form form;

    FormFake() {
        game.items = {L"Stormline", L"Stormline-Delta"};
        serverType.items = {L"Локальная сеть", L"Интернет"};
        priority.items = {L"Реального времени", L"Высокий", L"Нормальный"};
        mapSource.items = {L"Все карты", L"mapcycle.txt", L"maps.ini"};
        for (List* sorted : {&activeServer, &storedCommands, &extraChoices, &startMap, &setmasters}) {
            sorted->sorted = true;
        }
        form = brv::MakeForm(*this, reinterpret_cast<void*>(0x1234));
    }
    FormFake(const FormFake&) = delete;
};

} // namespace fake
