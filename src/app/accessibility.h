// What a screen reader sees of the windows, where Qt's own accessibility
// would mislead: the worksheet, a plain widget window, is announced as a
// window (not a filler), and a frame of the worksheet lists only the
// controls it shows, so that the hidden fields of the template's unused
// modes stay out of the tree.
#pragma once

// Installs the program's accessibility factory (once, however often called).
void install_accessibility();
