#pragma once

#include "base/Messages.h"

#include <QList>
#include <QQueue>

namespace brel::test {

/// Captures every message box and answers questions from a script
/// (default: OK / Yes). Installed for its lifetime.
class MessageRecorder : public Messages::Handler {
public:
    MessageRecorder() { m_previous = Messages::setHandler(this); }
    ~MessageRecorder() override { Messages::setHandler(m_previous); }

    Messages::Answer show(const Messages::Message &message) override
    {
        messages.append(message);
        if (!answers.isEmpty())
            return answers.dequeue();
        switch (message.buttons) {
        case Messages::Buttons::Ok: return Messages::Answer::Ok;
        case Messages::Buttons::OkCancel: return Messages::Answer::Ok;
        case Messages::Buttons::YesNo: return Messages::Answer::Yes;
        }
        return Messages::Answer::Ok;
    }

    void setNextAnswer(Messages::Answer answer) { answers.enqueue(answer); }
    QStringList texts() const
    {
        QStringList out;
        for (const auto &m : messages)
            out << m.text;
        return out;
    }
    QString lastText() const { return messages.isEmpty() ? QString() : messages.last().text; }
    void clear() { messages.clear(); answers.clear(); }

    QList<Messages::Message> messages;
    QQueue<Messages::Answer> answers;

private:
    Messages::Handler *m_previous = nullptr;
};

} // namespace brel::test
