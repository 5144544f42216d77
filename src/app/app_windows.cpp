#include "app/app_windows.h"

TfrmTemplate* frmTemplate = nullptr;
TfrmTemplateResults* frmTemplateResults = nullptr;
