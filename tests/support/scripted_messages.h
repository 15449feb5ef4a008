// SPDX-License-Identifier: GPL-3.0-or-later
// A message service for tests: answers boxes from a script and records every box shown.
#pragma once

#include "platform/messages.h"

#include <QList>
#include <QString>

#include <functional>

namespace bv::test {

struct ShownBox
{
    QString text;
    int style = 0;
    QString title;
};

class ScriptedMessages : public MessageService
{
public:
    ScriptedMessages();           // installs itself
    ~ScriptedMessages() override; // uninstalls itself

    // Answers for the next Yes/No boxes, in order. A question with no scripted answer is
    // recorded as unexpected and answered No, which never removes anything.
    void answer(int answer) { m_answers.append(answer); }
    // Called for every box after it is recorded (e.g. to act while a box is "open").
    std::function<void(const ShownBox&)> onShow;

    int show(const QString& text, int style, const QString& title) override;

    QList<ShownBox> shown;
    int unexpectedQuestions = 0;
    QStringList texts() const;

private:
    QList<int> m_answers;
    MessageService* m_previous = nullptr;
};

} // namespace bv::test
