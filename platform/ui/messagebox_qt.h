// The real message-box service: a QMessageBox per call, modal to the active window.
#pragma once

#include "platform/messages.h"

namespace bv {

class QtMessageService : public MessageService
{
public:
    int show(const QString& text, int style, const QString& title) override;
};

// The screen mouse pointer: 1 = arrow, 11 = hourglass (the application's override cursor).
void setScreenPointer(int pointer);
int screenPointer();

} // namespace bv
