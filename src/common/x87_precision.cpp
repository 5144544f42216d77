// The x87 control word: one implementation, since long double is the x87
// format on every system this program builds for (extended.h).
#include "common/x87_precision.h"

#include "common/extended.h"

void set_extended_precision()
{
    set_x87_control_word(x87_extended_control);
}

unsigned short x87_control_word()
{
    unsigned short control = 0;
    __asm__ volatile("fnstcw %0" : "=m"(control));
    return control;
}

void set_x87_control_word(unsigned short control)
{
    __asm__ volatile("fldcw %0" : : "m"(control));
}
