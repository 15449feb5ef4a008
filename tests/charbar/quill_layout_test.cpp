// SPDX-License-Identifier: GPL-3.0-or-later
// The arithmetic of Quillbar's windows: the character grid, the close-up, the popup menu's
// position and bringing a remembered position back onto the screens.
#include "charbar/core/layout.h"

#include <QSet>

#include <gtest/gtest.h>

using namespace bv::quill;

TEST(QuillLayout, GridHasSixteenRowsOfSixteen)
{
    const std::pair<int, QPoint> cases[] = {
        {0, {30, 1005}},   {1, {315, 1005}},  {14, {4020, 1005}}, {15, {4305, 1005}},  {16, {30, 1275}},
        {17, {315, 1275}}, {128, {30, 3165}}, {240, {30, 5055}},  {255, {4305, 5055}},
    };
    for (const auto& [index, expected] : cases)
        EXPECT_EQ(cellPosition(index), expected) << index;
    QSet<QPair<int, int>> seen;
    for (int i = 0; i < kCellCount; ++i) {
        const QPoint p = cellPosition(i);
        seen.insert({p.x(), p.y()});
        EXPECT_LE(p.x() + kCellWidth, kDialogWidth) << i;
        EXPECT_LT(p.y() + kCellHeight, 5385) << i; // above the rules over the buttons
    }
    EXPECT_EQ(seen.size(), kCellCount);
}

TEST(QuillLayout, CloseUpMovesLeftAtTheRightColumnAndUpOnTheLastRow)
{
    const std::pair<int, QPoint> cases[] = {
        {0, {30, 1005}},     // over the cell
        {14, {4020, 1005}},  // still fits
        {15, {4075, 1005}},  // right column: 230 further left
        {239, {4075, 4785}}, // right column, row 14: only left
        {240, {30, 5005}},   // last row: 50 higher
        {255, {4075, 5005}}, // both
    };
    for (const auto& [index, expected] : cases)
        EXPECT_EQ(closeUpPosition(cellPosition(index)), expected) << index;
}

TEST(QuillLayout, PopupPositionIsIntegerDivisionOfTwips)
{
    struct Case
    {
        PopupInput in;
        QPoint expected;
    };
    const Case cases[] = {
        // bar at (5025, 5775), button 3 at (765, 180), 270 high, mouse at (45, 30), 15 twips a pixel
        {{5025, 5775, 765, 180, 270, 45, 30, 15, 15}, {389, 417}},
        // remainders are dropped, not rounded
        {{14, 29, 0, 0, 0, 0, 0, 15, 15}, {0, 1}},
        // another pixel size per axis
        {{1200, 1200, 255, 180, 270, 12, 12, 12, 20}, {122, 83}},
        // a guard against a nonsense pixel size
        {{30, 30, 0, 0, 0, 0, 0, 0, -3}, {30, 30}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(popupPosition(c.in), c.expected);
}

TEST(QuillLayout, RememberedPositionComesBackOnScreen)
{
    const QRect left(0, 0, 1280, 800);
    const QRect right(1280, 0, 1920, 1080);
    const QSize bar(210, 35);
    struct Case
    {
        const char* name;
        QPoint at;
        QList<QRect> screens;
        QPoint expected;
    };
    const Case cases[] = {
        {"inside", {335, 385}, {left}, {335, 385}},
        {"on the second screen", {2000, 900}, {left, right}, {2000, 900}},
        {"screen gone", {2000, 900}, {left}, {1070, 765}},
        {"far up and left", {-5000, -5000}, {left, right}, {0, 0}},
        {"half off the bottom", {100, 790}, {left}, {100, 765}},
        {"across two screens", {1200, 10}, {left, right}, {1280, 10}},
        {"no screens", {-50, -50}, {}, {-50, -50}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(keepOnScreen(QRect(c.at, bar), c.screens), c.expected) << c.name;
    // A screen smaller than the bar shows its left end, where the strip starts.
    EXPECT_EQ(keepOnScreen(QRect(QPoint(500, 500), bar), {QRect(0, 0, 100, 20)}), QPoint(0, 0));
}
