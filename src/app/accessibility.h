// What a screen reader sees of the windows, where Qt's own accessibility
// would mislead: the worksheet and the guide, plain widget windows, are
// announced as windows (not fillers); a plain widget or frame that holds
// controls is a panel, listing only the controls it shows, so that the
// hidden fields of the worksheet's unused modes stay out of the tree; the
// guide's text is a document (not a label) that a reader can read and move
// through; the profile chart is a chart.
#pragma once

// Installs the program's accessibility factory (once, however often called).
void install_accessibility();
