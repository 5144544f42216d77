// The one seam through which the Qt-free core tells the user something.
//
// The desktop program implements it with modal message boxes, the batch tool
// with standard error, and the tests with a recorder. Texts keep their single
// carriage returns ('\r'); whoever shows them turns each into a line break.
#pragma once

#include <string>

// The answers to the question about results not yet saved.
enum class tSaveChoice { Save, Discard, Cancel };

class tUserMessages {
public:
    virtual ~tUserMessages() = default;
    // Warning box: title "Warning", warning icon, one "OK" button.
    virtual void warning(const std::string& text) = 0;
    // Information box: title "Information", one "OK" button.
    virtual void information(const std::string& text) = 0;
    // Confirmation box: title "Confirm", buttons "&Yes" and "&No"; true on Yes.
    virtual bool confirm(const std::string& text) = 0;
    // The system's default beep.
    virtual void beep() = 0;
    // Question box about unsaved work: title "Confirm", buttons "&Save",
    // "&Discard" and "Cancel". Where no one can answer it keeps the work.
    virtual tSaveChoice ask_to_save(const std::string&) { return tSaveChoice::Cancel; }
};

// A seam with no user to answer: every message, whatever its kind, goes to
// take(); every question is answered No, and beeps are silent.
class tUnattendedMessages : public tUserMessages {
public:
    void warning(const std::string& text) override { take(text); }
    void information(const std::string& text) override { take(text); }
    bool confirm(const std::string& text) override
    {
        take(text);
        return false;
    }
    void beep() override {}

protected:
    virtual void take(const std::string& text) = 0;
};

// The seam the core uses right now. Until something is installed it is a
// fallback that writes warnings and information to standard error, answers
// every confirmation with No and does not beep.
tUserMessages& user_messages();

// Installs `messages` (nullptr restores the fallback); returns the previous one.
tUserMessages* install_user_messages(tUserMessages* messages);

// Installs a seam for the lifetime of the guard and restores the previous one.
class tScopedUserMessages {
public:
    explicit tScopedUserMessages(tUserMessages& messages)
        : previous_(install_user_messages(&messages)) {}
    ~tScopedUserMessages() { install_user_messages(previous_); }
    tScopedUserMessages(const tScopedUserMessages&) = delete;
    tScopedUserMessages& operator=(const tScopedUserMessages&) = delete;

private:
    tUserMessages* previous_;
};
