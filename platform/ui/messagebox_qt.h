// SPDX-License-Identifier: GPL-3.0-or-later
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

// The screen mouse pointer (kArrowPointer, kHourglassPointer: platform/messages.h), shown as the
// application's override cursor.
void setScreenPointer(int pointer);
int screenPointer();

} // namespace bv
