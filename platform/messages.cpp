#include "platform/messages.h"

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
    if (!g_service) {
        // No window system to ask: never treat silence as consent.
        std::fprintf(stderr, "%s: %s\n", qPrintable(title), qPrintable(text));
        return (style & 0x0F) == 4 ? AnswerNo : AnswerOk;
    }
    return g_service->show(text, style, title);
}

} // namespace bv
