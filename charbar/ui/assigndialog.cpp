// SPDX-License-Identifier: GPL-3.0-or-later
#include "charbar/ui/assigndialog.h"

#include "charbar/core/charnames.h"
#include "charbar/core/cp1252.h"
#include "charbar/core/layout.h"
#include "charbar/core/window_service.h"
#include "charbar/ui/characterbar.h"
#include "platform/messages.h"
#include "common/ui/layout.h"
#include "platform/twips.h"

#include <QComboBox>
#include <QFontDatabase>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QSet>

#include <array>
#include <string_view>

namespace bv::quill {

namespace {

const QString kTitle = QStringLiteral("Quillbar");
const QColor kCellColour(0xFF, 0xFF, 0xFF);
const QColor kChosenColour(0x00, 0x80, 0x80);
constexpr int kCellPointSize = 9;
constexpr int kCloseUpPointSize = 18;

QFont familyFont(const QString& family, int pointSize, bool bold)
{
    QFont font;
    if (!family.isEmpty())
        font.setFamily(family);
    font.setPointSize(pointSize);
    font.setBold(bold);
    return font;
}

using namespace bv::layout;

// The grid's cells are named "Letters(0)" to "Letters(255)".
struct CellNames
{
    std::array<std::array<char, 13>, kCellCount> text{}; // "Letters(255)" and its end
};
constexpr CellNames kCellNames = [] {
    CellNames names;
    for (int i = 0; i < kCellCount; ++i) {
        char* p = names.text[i].data();
        for (const char c : std::string_view("Letters("))
            *p++ = c;
        if (i >= 100)
            *p++ = char('0' + i / 100);
        if (i >= 10)
            *p++ = char('0' + i / 10 % 10);
        *p++ = char('0' + i % 10);
        *p = ')';
    }
    return names;
}();

constexpr ControlSpec rule(const char* name, int top, QRgb colour)
{
    return {name, Kind::Box, {0, top, kDialogWidth, kTwipsPerPixel}, "", kWindowFont, {kNoColour, colour}};
}

constexpr ControlSpec caption(const char* name, TwipRect rect, const char* text, const char* names = nullptr)
{
    ControlSpec c{name, Kind::Label, rect, text};
    c.names = names;
    return c;
}

// The held cell, enlarged: shown while a cell is pressed, over it.
constexpr ControlSpec closeUpView()
{
    ControlSpec c{"CloseUp", Kind::Label, {1710, 2655, kCloseUpWidth, kCloseUpHeight}};
    c.looks = Hidden | Border | Centred | PlainText;
    return c;
}

// The dialog, as designed: the host's caption and the font over a double rule, the grid of the
// 256 codes (its cells' characters and colours are filled in by the dialog), the close-up shown
// while a cell is held, and Cancel and Apply under another double rule. The keys go through the
// controls in this order: the caption, the font, the grid (at one cell, see moveKeyCell), Cancel,
// Apply.
constexpr int kFirstCellRow = 7;
constexpr int kRowsAfterCells = 5;
constexpr auto kControls = [] {
    std::array<ControlSpec, kFirstCellRow + kCellCount + kRowsAfterCells> rows{{
        caption("Label1(0)", {30, 45, 1785, 255}, "Host's Titlebar Caption:", "HostText"),
        {"HostText", Kind::LineEdit, {1710, 0, 2880, 315}, "", kArial825},
        caption("Label1(1)", {870, 375, 900, 255}, "Font Name:", "FontList"),
        {"FontList", Kind::ComboBox, {1710, 330, 2880, 315}},
        rule("Line1(0)", 660, kDarkGrey),
        rule("Line1(1)", 690, kWhite),
        // Wider than laid out: no sans font of today fits the sentence into 4425 twips.
        caption("Label1(2)", {30, 750, kDialogWidth - 60, 255},
                "Click on the character you wish to assign the current button."),
    }};
    for (int i = 0; i < kCellCount; ++i) {
        const QPoint at = cellPosition(i);
        rows[kFirstCellRow + i] = {kCellNames.text[i].data(), Kind::Label, {at.x(), at.y(), kCellWidth, kCellHeight}};
        rows[kFirstCellRow + i].looks = Border | Centred | PlainText;
    }
    const ControlSpec after[kRowsAfterCells] = {
        closeUpView(),
        rule("Line1(3)", 5385, kDarkGrey),
        rule("Line1(2)", 5415, kWhite),
        {"Command2", Kind::Button, {2145, 5460, 1215, 330}, "&Cancel", kWindowFont, {}, 0, NotDefault},
        {"Command1", Kind::Button, {3390, 5460, 1215, 330}, "&Apply", kWindowFont, {}, 0, NotDefault},
    };
    for (int i = 0; i < kRowsAfterCells; ++i)
        rows[kFirstCellRow + kCellCount + i] = after[i];
    return rows;
}();

// The labels were laid out for a narrow 8-point sans font; Arial's metrics come closest.
constexpr LayoutTable kLayout{{"SettingsForm", "Quillbar", kDialogWidth, kDialogHeight, kArial825}, kControls};

} // namespace

AssignDialog::AssignDialog(CharacterBar& bar, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint),
      m_bar(bar)
{
    applyForm(this, kLayout);
    move(twPoint(2340, 540));
    load();
}

const LayoutTable& AssignDialog::layout()
{
    return kLayout;
}

void AssignDialog::load()
{
    const QString font = m_bar.values().buttonFont;
    const Controls controls = buildLayout(this, kLayout);
    hostCaptionEdit = controls.get<QLineEdit>("HostText");
    fontBox = controls.get<QComboBox>("FontList");
    fontBox->setEditable(true);
    fontBox->setInsertPolicy(QComboBox::NoInsert);
    fontBox->addItems(displayFonts());
    fontBox->setEditText(font);
    connect(fontBox, &QComboBox::textActivated, this, &AssignDialog::onFontChosen);

    const QFont cellFont = familyFont(font, kCellPointSize, false);
    for (int i = 0; i < kCellCount; ++i) {
        auto* cell = controls.get<QLabel>(kCellNames.text[i].data());
        cell->setText(characterForCode(i));
        cell->setAutoFillBackground(true);
        cell->setFont(cellFont);
        // A screen reader reads the character's name; many of them look alike or show nothing.
        const QString name = nameForCode(i);
        cell->setAccessibleName(name.isEmpty() ? QStringLiteral("No character") : name);
        cell->setAccessibleDescription(characterForCode(i));
        cell->installEventFilter(this);
        cells[i] = cell;
        setCellColour(i, kCellColour);
    }

    closeUp = controls.get<QLabel>("CloseUp");
    closeUp->setAutoFillBackground(true);
    closeUp->setBackgroundRole(QPalette::Base);
    closeUp->setForegroundRole(QPalette::Text);
    closeUp->setFont(familyFont(font, kCloseUpPointSize, true));

    cancelButton = controls.get<QPushButton>("Command2");
    connect(cancelButton, &QPushButton::clicked, this, &AssignDialog::onCancelClicked);
    applyButton = controls.get<QPushButton>("Command1");
    connect(applyButton, &QPushButton::clicked, this, &AssignDialog::onApplyClicked);

    moveKeyCell(m_keyCell, false);
}

QStringList AssignDialog::displayFonts()
{
    QStringList out;
    QSet<QString> seen;
    for (QString family : QFontDatabase::families()) {
        if (QFontDatabase::isPrivateFamily(family))
            continue;
        // The same family from two foundries comes as "Name [Foundry]": one entry is enough.
        const qsizetype foundry = family.indexOf(QStringLiteral(" ["));
        if (foundry > 0 && family.endsWith(u']'))
            family.truncate(foundry);
        if (!seen.contains(family.toCaseFolded())) {
            seen.insert(family.toCaseFolded());
            out << family;
        }
    }
    return out;
}

void AssignDialog::setCellColour(int index, const QColor& colour)
{
    QLabel* cell = cells.at(index);
    QPalette p = cell->palette();
    p.setColor(QPalette::Window, colour);
    p.setColor(QPalette::WindowText, colour == kChosenColour ? Qt::white : Qt::black);
    cell->setPalette(p);
}

void AssignDialog::onFontChosen()
{
    const QString family = fontBox->currentText();
    if (family.isEmpty() || !QFontDatabase::hasFamily(family)) {
        msgBox(QStringLiteral("The font specified was not found."), MsgCritical, kTitle);
        return;
    }
    closeUp->setFont(familyFont(family, kCloseUpPointSize, true));
    const QFont cellFont = familyFont(family, kCellPointSize, false);
    for (int i = 1; i < kCellCount; ++i)
        cells[i]->setFont(cellFont);
}

void AssignDialog::onCellPressed(int index)
{
    if (!isAssignableCode(index))
        return; // an empty cell is no character
    m_charChosen = true;
    setCellColour(m_selectedCode, kCellColour);
    setCellColour(index, kChosenColour);
    m_selectedCode = index;
    const QPoint at = closeUpPosition(cellPosition(index));
    closeUp->move(twPoint(at.x(), at.y()));
    closeUp->setText(cells[index]->text());
    closeUp->show();
    closeUp->raise();
}

void AssignDialog::onCellReleased()
{
    closeUp->hide();
}

void AssignDialog::onApplyClicked()
{
    if (m_charChosen)
        m_bar.setButtonCode(m_bar.values().currentButton, m_selectedCode);
    m_bar.setButtonFont(fontBox->currentText());
    const QString caption = hostCaptionEdit->text();
    WindowService& service = m_bar.windowService();
    // Where nothing can be typed no window can be found either: the caption is kept for a
    // session that can type.
    if (caption.isEmpty() || !service.unavailableReason().isEmpty()) {
        applied(caption);
        return;
    }
    const WindowService::WindowId window = service.findWindow(caption);
    if (!window) {
        captionNotFound();
        return;
    }
    // The dialog stays usable while the window comes forward; a second Apply waits for it.
    applyButton->setEnabled(false);
    const int round = ++m_applyRound;
    service.activateWindow(window, this, [this, caption, round](bool active) {
        if (round != m_applyRound)
            return; // cancelled meanwhile
        applyButton->setEnabled(true);
        if (active)
            applied(caption);
        else
            captionNotFound();
    });
}

void AssignDialog::applied(const QString& caption)
{
    if (!caption.isEmpty())
        m_bar.values().hostCaption = caption;
    clearChoice();
    accept();
}

void AssignDialog::captionNotFound()
{
    msgBox(QStringLiteral("The titlebar caption specified does not exits."), MsgCritical, kTitle);
    hostCaptionEdit->selectAll();
    hostCaptionEdit->setFocus();
}

void AssignDialog::onCancelClicked()
{
    reject();
}

void AssignDialog::reject()
{
    ++m_applyRound;
    applyButton->setEnabled(true);
    clearChoice();
    QDialog::reject();
}

void AssignDialog::clearChoice()
{
    m_charChosen = false;
    setCellColour(m_selectedCode, kCellColour);
    m_selectedCode = 0;
    closeUp->hide();
}

void AssignDialog::showEvent(QShowEvent* event)
{
    // The keyboard starts on the character of the button being assigned.
    const int code = m_bar.buttonCode(m_bar.values().currentButton);
    moveKeyCell(isAssignableCode(code) ? code : kSpaceCode, false);
    QDialog::showEvent(event);
}

void AssignDialog::moveKeyCell(int index, bool focus)
{
    cells.at(m_keyCell)->setFocusPolicy(Qt::NoFocus);
    m_keyCell = index;
    cells.at(index)->setFocusPolicy(Qt::TabFocus); // a click still leaves the focus where it is
    if (focus)
        cells.at(index)->setFocus(Qt::TabFocusReason);
}

bool AssignDialog::cellKey(int index, QKeyEvent* key)
{
    const int row = index / 16, column = index % 16;
    const bool pick = key->key() == Qt::Key_Space || key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
    if (key->type() == QEvent::KeyRelease) {
        if (!pick)
            return false;
        if (!key->isAutoRepeat())
            onCellReleased();
        return true;
    }
    switch (key->key()) {
    case Qt::Key_Left:
        moveKeyCell(row * 16 + (column + 15) % 16, true);
        return true;
    case Qt::Key_Right:
        moveKeyCell(row * 16 + (column + 1) % 16, true);
        return true;
    case Qt::Key_Up:
        moveKeyCell((row + 15) % 16 * 16 + column, true);
        return true;
    case Qt::Key_Down:
        moveKeyCell((row + 1) % 16 * 16 + column, true);
        return true;
    default:
        if (pick && !key->isAutoRepeat())
            onCellPressed(index);
        return pick;
    }
}

bool AssignDialog::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    if (type == QEvent::KeyPress || type == QEvent::KeyRelease) {
        const auto found = std::find(cells.begin(), cells.end(), watched);
        if (found != cells.end() && cellKey(int(found - cells.begin()), static_cast<QKeyEvent*>(event)))
            return true;
    }
    if (type == QEvent::FocusIn || type == QEvent::FocusOut) {
        // The cell the keyboard is on shows a heavier frame while the grid has the focus.
        if (auto* cell = qobject_cast<QLabel*>(watched))
            cell->setLineWidth(type == QEvent::FocusIn ? 2 : 1);
    }
    if (type == QEvent::MouseButtonPress || type == QEvent::MouseButtonRelease) {
        const auto found = std::find(cells.begin(), cells.end(), watched);
        if (found != cells.end()) {
            if (type == QEvent::MouseButtonPress)
                onCellPressed(int(found - cells.begin()));
            else
                onCellReleased();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace bv::quill
