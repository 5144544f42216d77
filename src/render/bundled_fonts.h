// The fonts the report, the chart and the windows are drawn in (Liberation
// Mono and Sans), made known to Qt where the system lacks them. Call once a
// QGuiApplication exists, before anything is drawn.
#pragma once

// Before the application object exists: has Qt read the fonts in the way
// the PDF files need (a face in a PDF is the file it comes from, so that
// the regular, bold and italic faces of a family each embed their own).
void choose_font_engine();

// Loads the fonts shipped with the program, if any. A file that cannot be
// loaded is reported on standard error; Qt then draws in the closest font
// the system has (Courier New has Liberation Mono's metrics).
void load_bundled_fonts();
