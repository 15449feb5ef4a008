// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/logtext.h"

#include "platform/paths.h"

#include <QStringDecoder>

namespace bv {

QString decodeLogText(const QByteArray& bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8,
                        QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    QString text = utf8.decode(bytes);
    if (!utf8.hasError())
        return visibleText(text);
    // Qt knows Windows-1252 through ICU; without it, Latin-1 is the same code page but for the
    // 32 codes from 0x80 to 0x9F (the euro sign, typographic quotes and dashes).
    QStringDecoder ansi("windows-1252", QStringDecoder::Flag::Stateless);
    return ansi.isValid() ? ansi.decode(bytes) : QString::fromLatin1(bytes);
}

} // namespace bv
