// The real message-box service: a QMessageBox per call, modal to the active window, which
// ignores clicks and keys for a moment after it appears (platform/ui/inputguard.h).
#pragma once

#include "platform/messages.h"

namespace bv {

class QtMessageService : public MessageService
{
public:
    int show(const QString& text, int style, const QString& title) override;
};

// The screen mouse pointer: the arrow, or the hourglass (the application's override cursor).
inline constexpr int kArrowPointer = 1;
inline constexpr int kHourglassPointer = 11;
void setScreenPointer(int pointer);
int screenPointer();

} // namespace bv
