// SPDX-License-Identifier: GPL-3.0-or-later
// Text shown for a file name: what the name holds that would make it look like another name is
// written out, and nothing else changes.
#include "platform/paths.h"

#include <gtest/gtest.h>

namespace bv {
namespace {

TEST(DisplayPath, NoNameShowsAsAnother)
{
    // A reversed extension, a hidden rest of the name, a line break, an isolate, bytes that are
    // not UTF-8; accented letters and Arabic, Hebrew or Chinese names are shown as they are.
    EXPECT_EQ(displayPath("/t/b-invoice\xe2\x80\xae"
                          "fdp.sh"),
              QStringLiteral("/t/b-invoice\\u202Efdp.sh"));
    EXPECT_EQ(displayPath("/t/a-report.txt\xe2\x80\xa8hidden-rest.sh"),
              QStringLiteral("/t/a-report.txt\\u2028hidden-rest.sh"));
    EXPECT_EQ(displayPath("x\nACTION\x7f\xc2\x85\xd8\x9c\xe2\x81\xa6\xe2\x80\x8f\xff"),
              QStringLiteral("x\\u000AACTION\\u007F\\u0085\\u061C\\u2066\\u200F\uFFFD"));
    const QByteArray plain = "/home/u/caf\xc3\xa9 \xd7\xa9\xd7\x9c\xd7\x95\xd7\x9d \xd9\x85\xd9\x84\xd9\x81 "
                             "\xe6\x97\xa5\xe6\x9c\xac.txt";
    EXPECT_EQ(displayPath(plain), QString::fromUtf8(plain));

    // Message texts keep their own line breaks; separators and bidi controls still show.
    EXPECT_EQ(visibleText(QStringLiteral("Could not remove x\u202Efdp.sh\nreason\u2029")),
              QStringLiteral("Could not remove x\\u202Efdp.sh\nreason\\u2029"));
}

} // namespace
} // namespace bv
