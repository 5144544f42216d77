// The program's two windows, created at start-up and owned by the
// application for the whole run.
#pragma once

class TfrmTemplate;        // the worksheet, the main window
class TfrmTemplateResults; // the output window, created hidden

extern TfrmTemplate* frmTemplate;
extern TfrmTemplateResults* frmTemplateResults;
