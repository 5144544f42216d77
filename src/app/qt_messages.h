// The desktop program's side of the user-message seam: modal message boxes
// centred on the screen, and the general error box.
#pragma once

#include "common/user_messages.h"

#include <QString>

#include <exception>

class QWidget;

// Carriage returns in message texts become line breaks.
QString message_text(const std::string& text);

class tQtUserMessages final : public tUserMessages {
public:
    void warning(const std::string& text) override;
    void information(const std::string& text) override;
    bool confirm(const std::string& text) override;
    void beep() override;
    tSaveChoice ask_to_save(const std::string& text) override;
};

// The general error box: stop icon, the application title as caption, the
// error's message with a full stop added, one "OK" button. The program goes on.
void show_general_error(const QString& message);
void show_general_error(const std::exception& error);
