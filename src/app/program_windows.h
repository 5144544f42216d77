// The program's two windows, created at start-up and owned by main for the
// whole run: the worksheet, the main window, and the output window, created
// hidden.
#pragma once

class QWidget;

// Shows the program's visible window (the modal one when a box or dialog is
// open, else the output window when it is shown, else the worksheet),
// restored when minimised, in front and active: a second start asks for it.
void bring_program_to_front(QWidget* worksheet, QWidget* output);
