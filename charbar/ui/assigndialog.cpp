#include "charbar/ui/assigndialog.h"

#include "charbar/core/charnames.h"
#include "charbar/core/cp1252.h"
#include "charbar/core/layout.h"
#include "charbar/core/window_service.h"
#include "charbar/ui/characterbar.h"
#include "platform/messages.h"
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

QFrame* rule(QWidget* parent, const QString& name, int topTwips, const QColor& colour)
{
    auto* line = new QFrame(parent);
    line->setObjectName(name);
    line->setGeometry(0, tw(topTwips), tw(kDialogWidth), 1);
    line->setAutoFillBackground(true);
    QPalette p = line->palette();
    p.setColor(QPalette::Window, colour);
    line->setPalette(p);
    return line;
}

} // namespace

SettingsForm::SettingsForm(Quillbar& bar, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint),
      m_bar(bar)
{
    setObjectName(QStringLiteral("SettingsForm"));
    setWindowTitle(kTitle);
    // The labels were laid out for a narrow 8-point sans font; Arial's metrics come closest.
    QFont small(QStringLiteral("Arial"));
    small.setPointSizeF(8.25);
    setFont(small);
    setFixedSize(twSize(kDialogWidth, kDialogHeight));
    move(twPoint(2340, 540));
    load();
}

void SettingsForm::load()
{
    const QString font = m_bar.values().buttonFont;
    Label1[0] = new QLabel(QStringLiteral("Host's Titlebar Caption:"), this);
    Label1[0]->setGeometry(twRect(30, 45, 1785, 255));
    HostText = new QLineEdit(this);
    HostText->setObjectName(QStringLiteral("HostText"));
    HostText->setGeometry(twRect(1710, 0, 2880, 315));
    QFont hostFont(QStringLiteral("Arial"));
    hostFont.setPointSizeF(8.25);
    HostText->setFont(hostFont);
    Label1[1] = new QLabel(QStringLiteral("Font Name:"), this);
    Label1[1]->setGeometry(twRect(870, 375, 900, 255));
    FontList = new QComboBox(this);
    FontList->setObjectName(QStringLiteral("FontList"));
    FontList->setGeometry(twRect(1710, 330, 2880, 315));
    FontList->setEditable(true);
    FontList->setInsertPolicy(QComboBox::NoInsert);
    FontList->addItems(displayFonts());
    FontList->setEditText(font);
    connect(FontList, &QComboBox::textActivated, this, &SettingsForm::FontList_Click);

    Line1[0] = rule(this, QStringLiteral("Line1(0)"), 660, QColor(0x80, 0x80, 0x80));
    Line1[1] = rule(this, QStringLiteral("Line1(1)"), 690, Qt::white);
    Label1[2] = new QLabel(QStringLiteral("Click on the character you wish to assign the current button."), this);
    // Wider than laid out: no sans font of today fits the sentence into 4425 twips.
    Label1[2]->setGeometry(twRect(30, 750, kDialogWidth - 60, 255));
    for (int i = 0; i < 3; ++i)
        Label1[i]->setObjectName(QStringLiteral("Label1(%1)").arg(i));

    const QFont cellFont = familyFont(font, kCellPointSize, false);
    for (int i = 0; i < kCellCount; ++i) {
        auto* cell = new QLabel(characterForCode(i), this);
        cell->setObjectName(QStringLiteral("Letters(%1)").arg(i));
        cell->setTextFormat(Qt::PlainText);
        cell->setFrameShape(QFrame::Box);
        cell->setLineWidth(1);
        cell->setAlignment(Qt::AlignCenter);
        cell->setAutoFillBackground(true);
        const QPoint at = cellPosition(i);
        cell->setGeometry(twRect(at.x(), at.y(), kCellWidth, kCellHeight));
        cell->setFont(cellFont);
        // A screen reader reads the character's name; many of them look alike or show nothing.
        const QString name = nameForCode(i);
        cell->setAccessibleName(name.isEmpty() ? QStringLiteral("No character") : name);
        cell->setAccessibleDescription(characterForCode(i));
        cell->installEventFilter(this);
        Letters[i] = cell;
        setCellColour(i, kCellColour);
    }

    CloseUp = new QLabel(this);
    CloseUp->setObjectName(QStringLiteral("CloseUp"));
    CloseUp->setTextFormat(Qt::PlainText);
    CloseUp->setFrameShape(QFrame::Box);
    CloseUp->setAlignment(Qt::AlignCenter);
    CloseUp->setAutoFillBackground(true);
    CloseUp->setBackgroundRole(QPalette::Base);
    CloseUp->setForegroundRole(QPalette::Text);
    CloseUp->setGeometry(twRect(1710, 2655, kCloseUpWidth, kCloseUpHeight));
    CloseUp->setFont(familyFont(font, kCloseUpPointSize, true));
    CloseUp->hide();

    Line1[3] = rule(this, QStringLiteral("Line1(3)"), 5385, QColor(0x80, 0x80, 0x80));
    Line1[2] = rule(this, QStringLiteral("Line1(2)"), 5415, Qt::white);
    Command2 = new QPushButton(QStringLiteral("&Cancel"), this);
    Command2->setObjectName(QStringLiteral("Command2"));
    Command2->setGeometry(twRect(2145, 5460, 1215, 330));
    Command2->setAutoDefault(false);
    connect(Command2, &QPushButton::clicked, this, &SettingsForm::Command2_Click);
    Command1 = new QPushButton(QStringLiteral("&Apply"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setGeometry(twRect(3390, 5460, 1215, 330));
    Command1->setAutoDefault(false);
    connect(Command1, &QPushButton::clicked, this, &SettingsForm::Command1_Click);

    Label1[0]->setBuddy(HostText);
    Label1[1]->setBuddy(FontList);
    // Tab goes through the controls in the order they were made: the caption, the font, the
    // grid (at one cell, see moveKeyCell), Cancel, Apply.
    moveKeyCell(m_keyCell, false);
}

QStringList SettingsForm::displayFonts()
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

void SettingsForm::setCellColour(int index, const QColor& colour)
{
    QLabel* cell = Letters.at(index);
    QPalette p = cell->palette();
    p.setColor(QPalette::Window, colour);
    p.setColor(QPalette::WindowText, colour == kChosenColour ? Qt::white : Qt::black);
    cell->setPalette(p);
}

void SettingsForm::FontList_Click()
{
    const QString family = FontList->currentText();
    if (family.isEmpty() || !QFontDatabase::hasFamily(family)) {
        msgBox(QStringLiteral("The font specified was not found."), MsgCritical, kTitle);
        return;
    }
    CloseUp->setFont(familyFont(family, kCloseUpPointSize, true));
    const QFont cellFont = familyFont(family, kCellPointSize, false);
    for (int i = 1; i < kCellCount; ++i)
        Letters[i]->setFont(cellFont);
}

void SettingsForm::Letters_MouseDown(int index)
{
    if (!isAssignableCode(index))
        return; // an empty cell is no character
    CharChosen = true;
    setCellColour(SelectedLetter, kCellColour);
    setCellColour(index, kChosenColour);
    SelectedLetter = index;
    const QPoint at = closeUpPosition(cellPosition(index));
    CloseUp->move(twPoint(at.x(), at.y()));
    CloseUp->setText(Letters[index]->text());
    CloseUp->show();
    CloseUp->raise();
}

void SettingsForm::Letters_MouseUp()
{
    CloseUp->hide();
}

void SettingsForm::Command1_Click()
{
    if (CharChosen)
        m_bar.setButtonCode(m_bar.values().currentButton, SelectedLetter);
    m_bar.setButtonFont(FontList->currentText());
    const QString caption = HostText->text();
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
    Command1->setEnabled(false);
    const int round = ++m_applyRound;
    service.activateWindow(window, this, [this, caption, round](bool active) {
        if (round != m_applyRound)
            return; // cancelled meanwhile
        Command1->setEnabled(true);
        if (active)
            applied(caption);
        else
            captionNotFound();
    });
}

void SettingsForm::applied(const QString& caption)
{
    if (!caption.isEmpty())
        m_bar.values().hostCaption = caption;
    clearChoice();
    accept();
}

void SettingsForm::captionNotFound()
{
    msgBox(QStringLiteral("The titlebar caption specified does not exits."), MsgCritical, kTitle);
    HostText->selectAll();
    HostText->setFocus();
}

void SettingsForm::Command2_Click()
{
    reject();
}

void SettingsForm::reject()
{
    ++m_applyRound;
    Command1->setEnabled(true);
    clearChoice();
    QDialog::reject();
}

void SettingsForm::clearChoice()
{
    CharChosen = false;
    setCellColour(SelectedLetter, kCellColour);
    SelectedLetter = 0;
    CloseUp->hide();
}

void SettingsForm::showEvent(QShowEvent* event)
{
    // The keyboard starts on the character of the button being assigned.
    const int code = m_bar.buttonCode(m_bar.values().currentButton);
    moveKeyCell(isAssignableCode(code) ? code : 32, false);
    QDialog::showEvent(event);
}

void SettingsForm::moveKeyCell(int index, bool focus)
{
    Letters.at(m_keyCell)->setFocusPolicy(Qt::NoFocus);
    m_keyCell = index;
    Letters.at(index)->setFocusPolicy(Qt::TabFocus); // a click still leaves the focus where it is
    if (focus)
        Letters.at(index)->setFocus(Qt::TabFocusReason);
}

bool SettingsForm::cellKey(int index, QKeyEvent* key)
{
    const int row = index / 16, column = index % 16;
    const bool pick = key->key() == Qt::Key_Space || key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
    if (key->type() == QEvent::KeyRelease) {
        if (!pick)
            return false;
        if (!key->isAutoRepeat())
            Letters_MouseUp();
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
            Letters_MouseDown(index);
        return pick;
    }
}

bool SettingsForm::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    if (type == QEvent::KeyPress || type == QEvent::KeyRelease) {
        const auto found = std::find(Letters.begin(), Letters.end(), watched);
        if (found != Letters.end() && cellKey(int(found - Letters.begin()), static_cast<QKeyEvent*>(event)))
            return true;
    }
    if (type == QEvent::FocusIn || type == QEvent::FocusOut) {
        // The cell the keyboard is on shows a heavier frame while the grid has the focus.
        if (auto* cell = qobject_cast<QLabel*>(watched))
            cell->setLineWidth(type == QEvent::FocusIn ? 2 : 1);
    }
    if (type == QEvent::MouseButtonPress || type == QEvent::MouseButtonRelease) {
        const auto found = std::find(Letters.begin(), Letters.end(), watched);
        if (found != Letters.end()) {
            if (type == QEvent::MouseButtonPress)
                Letters_MouseDown(int(found - Letters.begin()));
            else
                Letters_MouseUp();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace bv::quill
