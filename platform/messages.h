// SPDX-License-Identifier: GPL-3.0-or-later
// Every message box of both programs goes through this one service, so tests can answer the
// boxes in advance and check each wording, style and title exactly.
//
// Styles are the classic message-box style numbers the program's texts are written for:
// 0 OK without icon, 16 critical + OK, 36 question + Yes/No, 48 exclamation + OK,
// 292 question + Yes/No with No as the default button.
#pragma once

#include <QString>

namespace bv {

enum MessageStyle : int {
    MsgPlain = 0,
    MsgCritical = 16,
    MsgQuestion = 36,
    MsgExclamation = 48,
    MsgQuestionDefaultNo = 292,
};

enum MessageAnswer : int {
    AnswerOk = 1,
    AnswerYes = 6,
    AnswerNo = 7,
};

class MessageService
{
public:
    virtual ~MessageService() = default;
    virtual int show(const QString& text, int style, const QString& title) = 0;
};

// The installed service; the programs install the real one at start, tests a scripted one.
void setMessageService(MessageService* service);
MessageService* messageService();

// Show one box through the installed service. Title defaults to the program's usual one. Line
// separators and bidirectional controls in the text are shown written out (visibleText).
int msgBox(const QString& text, int style, const QString& title = QStringLiteral("Brisvane!"));

// The screen mouse pointers a window or a run asks for: the arrow while the user is asked, the
// hourglass while a walk works (platform/ui/messagebox_qt.h sets them).
inline constexpr int kArrowPointer = 1;
inline constexpr int kHourglassPointer = 11;

} // namespace bv
