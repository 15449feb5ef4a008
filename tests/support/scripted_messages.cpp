// SPDX-License-Identifier: GPL-3.0-or-later
#include "tests/support/scripted_messages.h"

namespace bv::test {

ScriptedMessages::ScriptedMessages() : m_previous(messageService())
{
    setMessageService(this);
}

ScriptedMessages::~ScriptedMessages()
{
    setMessageService(m_previous);
}

int ScriptedMessages::show(const QString& text, int style, const QString& title)
{
    const ShownBox box{text, style, title};
    shown.append(box);
    if (onShow)
        onShow(box);
    if ((style & 0x0F) != 4)
        return AnswerOk;
    if (m_answers.isEmpty()) {
        ++unexpectedQuestions;
        return AnswerNo;
    }
    return m_answers.takeFirst();
}

QStringList ScriptedMessages::texts() const
{
    QStringList out;
    for (const auto& b : shown)
        out << b.text;
    return out;
}

} // namespace bv::test
