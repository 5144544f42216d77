// A user-message seam for tests: records every message with its kind and text,
// and answers confirmations from a queue (No when the queue is empty).
#pragma once

#include "common/user_messages.h"

#include <deque>
#include <string>
#include <vector>

struct tRecordedMessage {
    enum tKind { Warning, Information, Confirm, Beep, AskToSave } kind;
    std::string text;
    bool operator==(const tRecordedMessage& other) const
    {
        return kind == other.kind && text == other.text;
    }
};

class tMessageRecorder final : public tUserMessages {
public:
    std::vector<tRecordedMessage> messages;
    std::deque<bool> answers;

    void warning(const std::string& text) override { messages.push_back({tRecordedMessage::Warning, text}); }
    void information(const std::string& text) override { messages.push_back({tRecordedMessage::Information, text}); }
    bool confirm(const std::string& text) override
    {
        messages.push_back({tRecordedMessage::Confirm, text});
        if (answers.empty())
            return false;
        const bool answer = answers.front();
        answers.pop_front();
        return answer;
    }
    void beep() override { messages.push_back({tRecordedMessage::Beep, std::string()}); }
    std::deque<tSaveChoice> save_choices; // Cancel when empty
    tSaveChoice ask_to_save(const std::string& text) override
    {
        messages.push_back({tRecordedMessage::AskToSave, text});
        if (save_choices.empty())
            return tSaveChoice::Cancel;
        const tSaveChoice choice = save_choices.front();
        save_choices.pop_front();
        return choice;
    }

    // Texts of the messages of one kind, in order.
    std::vector<std::string> texts(tRecordedMessage::tKind kind) const
    {
        std::vector<std::string> out;
        for (const auto& m : messages)
            if (m.kind == kind)
                out.push_back(m.text);
        return out;
    }
};

// Installs a fresh recorder for the lifetime of a test.
class tRecordingTest {
public:
    tMessageRecorder recorder;
    tRecordingTest() : previous_(install_user_messages(&recorder)) {}
    ~tRecordingTest() { install_user_messages(previous_); }

private:
    tUserMessages* previous_;
};
