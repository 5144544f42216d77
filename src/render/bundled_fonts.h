// The fonts the report, the chart and the windows are drawn in (Liberation
// Mono and Sans), made known to Qt where the system lacks them. Call once a
// QGuiApplication exists, before anything is drawn.
#pragma once

#include <QFont>

// Loads the fonts shipped with the program, if any. A file that cannot be
// loaded is reported on standard error; Qt then draws in the closest font
// the system has (Courier New has Liberation Mono's metrics).
void load_bundled_fonts();

// The hinting the chart's and the documents' sans fonts ask for.
QFont::HintingPreference document_font_hinting();
