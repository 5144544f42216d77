// The program's two windows, created at start-up and owned by the
// application for the whole run.
#pragma once

class tWorksheetWindow;        // the worksheet, the main window
class tOutputWindow; // the output window, created hidden

extern tWorksheetWindow* theWorksheet;
extern tOutputWindow* theOutputWindow;

// Shows the program's visible window (the modal one when a box or dialog is
// open), restored when minimised, in front and active: a second start asks
// for it.
void bring_program_to_front();
