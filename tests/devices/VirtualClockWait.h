// Waiting on a backend whose worker thread runs on a virtual clock: the clock moves in small steps while
// the thread catches up, with a real-time limit so a broken backend fails the test instead of hanging it.
#pragma once

#include <chrono>
#include <thread>

#include "devices/VirtualClock.h"

// Moves Clock on 20 ms at a time until Done holds; false after ten seconds of real time.
template <class F> bool RunClockUntil(TVirtualClock& Clock, F Done) {
    const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!Done()) {
        if (std::chrono::steady_clock::now() > limit) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
        Clock.Advance(20);
    }
    return true;
}
