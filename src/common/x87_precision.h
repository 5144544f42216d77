// The x87 control word that every extended (long double) computation needs:
// 64-bit precision, round to nearest, every exception masked.
//
// Linux starts every thread so. Windows starts threads at 53-bit precision,
// and then long double arithmetic silently rounds each result to double: the
// last digits of a report would change, with nothing to show for it. So the
// setting is made wherever extended work starts (the program's start, each
// analysis run and each Monte Carlo thread) and left in place: no other code
// of the program uses the x87 unit, which on x86-64 serves long double only.
#pragma once

#include <thread>
#include <utility>

// The control word of 64-bit precision, round to nearest, all exceptions
// masked (what Linux gives every thread).
constexpr unsigned short x87_extended_control = 0x037f;

// Sets the calling thread's control word to x87_extended_control.
void set_extended_precision();

// The calling thread's control word.
unsigned short x87_control_word();
// Sets the calling thread's control word as it is given (for tests that
// provoke the Windows default, 0x027f).
void set_x87_control_word(unsigned short control);

// A thread whose function runs with extended precision, whatever the system
// starts it with.
template <typename Function>
std::thread extended_thread(Function&& function)
{
    return std::thread([f = std::forward<Function>(function)]() mutable {
        set_extended_precision();
        f();
    });
}
