// Runs a handler of a window and shows any error it raises in the program's error box, as the handlers'
// errors are reported; an exception never leaves a Qt slot.
#pragma once

#include <exception>

#include "devices/MessageBoxes.h"

template <class TCall> bool GuardedCall(TCall&& Call) {
    try {
        Call();
        return true;
    } catch (const std::exception& Error) {
        ShowError(Error.what());
        return false;
    }
}
