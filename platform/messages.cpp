// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/messages.h"

#include "platform/paths.h"

#include <cstdio>

namespace bv {

namespace {
MessageService* g_service = nullptr;
}

void setMessageService(MessageService* service)
{
    g_service = service;
}

MessageService* messageService()
{
    return g_service;
}

int msgBox(const QString& text, int style, const QString& title)
{
    // A box may quote a file name that reached it without displayPath (inside a reason the
    // system gave): it must not show as another name either.
    const QString shown = visibleText(text);
    if (!g_service) {
        // No window system to ask: never treat silence as consent.
        std::fprintf(stderr, "%s: %s\n", qPrintable(title), qPrintable(shown));
        return (style & 0x0F) == 4 ? AnswerNo : AnswerOk;
    }
    return g_service->show(shown, style, title);
}

} // namespace bv
