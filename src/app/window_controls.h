// What the program's windows build alike: the worksheet's faces, shared by
// the windows and dialogs it opens (Liberation Sans, DejaVu Sans for what it
// lacks; Liberation Mono for text typed in columns), and its panels and
// push buttons.
#pragma once

#include <QFont>
#include <QFrame>

class QPushButton;
class QRect;
class QString;
class QWidget;

// 13 pixels, unless told.
QFont sans_font(bool bold, int pixel_size = 13);
// The notes memo's and the correlations' face, 12 pixels.
QFont mono_font();

QFrame* make_panel(QWidget* parent, const QRect& geometry, QFrame::Shadow shadow);
// A push button in the bold face that Enter presses when it has the focus
// (push_button_keys.h), named `name` where given.
QPushButton* make_button(const QString& caption, QWidget* parent, const QRect& geometry,
                         const char* name = nullptr);
