// What the normative-data dialogs share: text between Qt and the core's
// UTF-8, their buttons and labels, and the section of the user guide that F1
// opens from each of them.
#pragma once

#include <QRect>
#include <QString>

#include <string>

class QDialog;
class QFontMetrics;
class QLabel;
class QPushButton;
class QWidget;

QString utf8(const std::string& text);
std::string utf8(const QString& text);

// A button that Enter presses when it has the focus, and that is no
// dialog's automatic default.
QPushButton* norms_button(const QString& caption, QWidget* parent, const QRect& geometry, const char* name);
QLabel* norms_label(const QString& text, QWidget* parent, const QRect& geometry);

// The dialog's font, and F1's section of the guide.
void prepare_norms_dialog(QDialog* dialog, const char* name, const QString& title);

// `text` broken into lines no wider than `width` pixels: at blanks where it
// can be, within a word where a word alone is wider, so that a name is
// always shown whole.
QString wrapped_to_width(const QString& text, const QFontMetrics& metrics, int width);
