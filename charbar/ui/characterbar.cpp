// SPDX-License-Identifier: GPL-3.0-or-later
#include "charbar/ui/characterbar.h"

#include "charbar/core/charnames.h"
#include "charbar/core/cp1252.h"
#include "charbar/core/layout.h"
#include "charbar/core/window_service.h"
#include "charbar/ui/artwork.h"
#include "charbar/ui/baroptions.h"
#include "platform/messages.h"
#include "common/ui/layout.h"
#include "platform/twips.h"

#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QWindow>
#include <qdrawutil.h>

#include <utility>

namespace bv::quill {

namespace {

using namespace bv::layout;

const QString kTitle = QStringLiteral("Quillbar");
constexpr int kButtonPointSize = 10;

// A row with the name a screen reader says for a control that no caption names.
constexpr ControlSpec spokenAs(ControlSpec c, const char* spoken)
{
    c.spoken = spoken;
    return c;
}

constexpr ControlSpec characterButton(const char* name, int index)
{
    return spokenAs({name, Kind::Button, {kButtonStep * index, kButtonTop, kButtonSize, kButtonSize}},
                    "No character assigned");
}

// The bar's client area, as designed: the drag strip with its close mark and the rule under it,
// the twelve character buttons, and below the visible area the text box that takes the focus
// away from a pressed button.
constexpr int kFirstButtonRow = 4;
constexpr ControlSpec kControls[] = {
    spokenAs({"DummyText", Kind::LineEdit, {705, 1515, 1215, 495}}, "Quillbar"),
    spokenAs({"TitleBar", Kind::Label, {0, 0, 3165, kStripHeight}, "", kWindowFont, {}, 0, LeftTop},
             "Drag to move Quillbar"),
    spokenAs({"ExitButton", Kind::Box, {2835, 15, 210, 135}}, "Close Quillbar"),
    {"Line1", Kind::Box, {0, kStripHeight, kBarClientWidth, kTwipsPerPixel}, "", kWindowFont, {kNoColour, kDarkGrey}},
    characterButton("TheButtons(0)", 0),
    characterButton("TheButtons(1)", 1),
    characterButton("TheButtons(2)", 2),
    characterButton("TheButtons(3)", 3),
    characterButton("TheButtons(4)", 4),
    characterButton("TheButtons(5)", 5),
    characterButton("TheButtons(6)", 6),
    characterButton("TheButtons(7)", 7),
    characterButton("TheButtons(8)", 8),
    characterButton("TheButtons(9)", 9),
    characterButton("TheButtons(10)", 10),
    characterButton("TheButtons(11)", 11),
};
static_assert(std::size(kControls) == kFirstButtonRow + kButtonCount);

// The window has no title of its own: a screen reader reads it by its accessible name.
constexpr LayoutTable kLayout{{"Quillbar", "", kBarClientWidth, kBarClientHeight}, kControls};

QFont buttonFont(const QString& family)
{
    QFont font = QApplication::font();
    if (!family.isEmpty())
        font.setFamily(family);
    font.setPointSize(kButtonPointSize);
    font.setBold(false);
    return font;
}

} // namespace

CharacterBar::CharacterBar(WindowService& service, const QuillSettings& settings, const QString& settingsPath,
                           QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus), m_service(service),
      m_settingsPath(settingsPath)
{
    setObjectName(QString::fromLatin1(kLayout.form.name));
    setWindowTitle(QString::fromUtf8(kLayout.form.title));
    setAccessibleName(kTitle);
    setWindowIcon(quillIcon());
    // Clicking the bar must leave the keyboard focus with the host, which is where it types.
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFixedSize(tw(kBarClientWidth) + 2 * kBarFrame, tw(kBarHeight));

    client = new QWidget(this);
    client->setObjectName(QStringLiteral("Client"));
    client->setGeometry(kBarFrame, kBarFrame, tw(kLayout.form.width), tw(kLayout.form.height));
    const Controls controls = buildLayout(client, kLayout);

    focusRest = controls.get<QLineEdit>("DummyText");
    focusRest->setText(QStringLiteral("Text1"));

    dragStrip = controls.get<QLabel>("TitleBar");
    dragStrip->setPixmap(stripBitmap());
    dragStrip->setMouseTracking(true);
    dragStrip->installEventFilter(this);

    closeBox = controls.get<QLabel>("ExitButton");
    closeBox->setToolTip(closeBox->accessibleName());
    closeBox->installEventFilter(this);

    stripRule = controls.get<QLabel>("Line1");

    m_values.hostCaption = settings.hostCaption;
    m_values.buttonFont = settings.buttonFont;
    for (int i = 0; i < kButtonCount; ++i) {
        auto* button = controls.get<QPushButton>(kLayout.controls[kFirstButtonRow + i].name);
        button->setFocusPolicy(Qt::NoFocus);
        button->setMouseTracking(true);
        button->installEventFilter(this);
        // The mouse never reaches the button's own click (the filter takes its events); a press
        // from assistive technology does, and types as a left click would.
        connect(button, &QPushButton::clicked, this, [this, i] {
            onCharacterButtonPressed(i, Qt::LeftButton, characterButtons.at(i)->rect().center());
            onCharacterButtonReleased(i);
        });
        characterButtons[i] = button;
        showCode(i, settings.codes[i]);
    }
    setButtonFont(settings.buttonFont);
    prepareCharacters();

    QList<QRect> screens;
    for (const QScreen* screen : QGuiApplication::screens())
        screens << screen->availableGeometry();
    move(keepOnScreen(QRect(QPoint(tw(settings.left), tw(settings.top)), size()), screens));

    if (settings.alwaysOnTop) {
        setWindowFlag(Qt::WindowStaysOnTopHint, true); // not shown yet: no window to re-create
        options().alwaysOnTopAction->setChecked(true);
    }
}

CharacterBar::~CharacterBar() = default;

const LayoutTable& CharacterBar::layout()
{
    return kLayout;
}

BarOptions& CharacterBar::options()
{
    if (!m_options) {
        m_options = std::make_unique<BarOptions>(*this);
        m_options->topmostTimer->start();
    }
    return *m_options;
}

QString CharacterBar::buttonCaption(int index) const
{
    return characterForCode(m_codes.at(index));
}

void CharacterBar::setButtonCode(int index, int code)
{
    showCode(index, code);
    prepareCharacters();
}

void CharacterBar::showCode(int index, int code)
{
    m_codes.at(index) = isAssignableCode(code) ? code : 0;
    QString text = buttonCaption(index);
    text.replace(u'&', QStringLiteral("&&")); // a caption is the character, not a shortcut
    QPushButton* button = characterButtons.at(index);
    button->setText(text);
    // A screen reader reads the character's name, not the character, which it may not know.
    button->setAccessibleName(m_codes.at(index) ? QStringLiteral("Type ") + nameForCode(m_codes.at(index))
                                                : QStringLiteral("No character assigned"));
    button->setAccessibleDescription(buttonCaption(index));
}

void CharacterBar::setButtonFont(const QString& family)
{
    m_values.buttonFont = family;
    const QFont font = buttonFont(family);
    for (QPushButton* button : characterButtons)
        button->setFont(font);
}

void CharacterBar::prepareCharacters()
{
    QString characters;
    for (int i = 0; i < kButtonCount; ++i)
        characters += buttonCaption(i);
    if (!characters.isEmpty() && m_service.unavailableReason().isEmpty())
        m_service.prepareCharacters(characters);
}

void CharacterBar::makeTopmost(bool on)
{
    // Through the native window: changing the widget's flags would re-create the window.
    if (QWindow* window = windowHandle())
        window->setFlag(Qt::WindowStaysOnTopHint, on);
    else
        setWindowFlag(Qt::WindowStaysOnTopHint, on);
    // Qt tells the window manager only when its flag changes, and someone else may have taken
    // the state away meanwhile: ask every time.
    if (isVisible() && m_service.unavailableReason().isEmpty())
        m_service.keepAbove(winId(), on);
}

bool CharacterBar::isTopmost() const
{
    const QWindow* window = windowHandle();
    return window ? window->flags().testFlag(Qt::WindowStaysOnTopHint)
                  : windowFlags().testFlag(Qt::WindowStaysOnTopHint);
}

QuillSettings CharacterBar::currentSettings() const
{
    QuillSettings s;
    s.left = pos().x() * kTwipsPerPixel;
    s.top = pos().y() * kTwipsPerPixel;
    s.hostCaption = m_values.hostCaption;
    s.buttonFont = m_values.buttonFont;
    s.codes = m_codes;
    s.alwaysOnTop = m_options && m_options->alwaysOnTopAction->isChecked();
    return s;
}

bool CharacterBar::writeSettings()
{
    const QuillSettings s = currentSettings();
    if (m_written == s)
        return true;
    QString error;
    if (!saveSettings(m_settingsPath, s, &error)) {
        qWarning("Quillbar: cannot write %s: %s", qPrintable(m_settingsPath), qPrintable(error));
        return false;
    }
    m_written = s;
    return true;
}

void CharacterBar::enableTimer()
{
    QTimer* timer = options().topmostTimer;
    if (!timer->isActive())
        timer->start();
}

void CharacterBar::onCharacterButtonPressed(int index, Qt::MouseButton button, QPoint pos)
{
    m_values.currentButton = index;
    enableTimer();
    if (button == Qt::LeftButton) {
        m_leftHeld = true;
        leftPress(index);
    } else if (button == Qt::RightButton)
        rightPress(index, pos);
}

void CharacterBar::leftPress(int index)
{
    const QString character = buttonCaption(index);
    if (character.isEmpty()) {
        characterButtons.at(index)->setDown(false); // the box takes the button's release
        msgBox(QStringLiteral("You must first assign this button a character."), MsgExclamation, kTitle);
        options().assignCharacter();
        focusRest->setFocus();
        return;
    }
    const QString whyNot = m_service.unavailableReason();
    if (!whyNot.isEmpty()) {
        // Said once: after that the user knows to copy instead of click.
        if (!m_toldUnavailable) {
            m_toldUnavailable = true;
            msgBox(QStringLiteral("Quillbar cannot type into other windows here: %1.\n\nRight-click a button and "
                                  "choose Copy to ClipBoard, then paste the character where you need it.")
                       .arg(whyNot),
                   MsgExclamation, kTitle);
        }
        return;
    }
    if (m_delivering) {
        m_queued += character; // typed once the character under way has arrived
        return;
    }
    const WindowService::WindowId window =
        m_values.hostCaption.isEmpty() ? 0 : m_service.findWindow(m_values.hostCaption);
    if (!window) {
        hostInvalid(index);
        return;
    }
    deliver(window, character, index);
}

void CharacterBar::deliver(WindowService::WindowId window, const QString& text, int index)
{
    m_delivering = true;
    m_service.typeInto(window, text, this,
                       [this, window, index](WindowService::Delivery result) { delivered(window, index, result); });
}

void CharacterBar::delivered(WindowService::WindowId window, int index, WindowService::Delivery result)
{
    m_delivering = false;
    const QString queued = std::exchange(m_queued, QString());
    switch (result) {
    case WindowService::Delivery::Typed:
        if (!queued.isEmpty()) {
            deliver(window, queued, index);
            return;
        }
        // Released already: the host took the focus for the keys and keeps it.
        m_reactivateHost = m_leftHeld;
        break;
    case WindowService::Delivery::NoFocus:
        hostInvalid(index);
        break;
    case WindowService::Delivery::NoKey:
        msgBox(QStringLiteral("The character could not be typed: the keyboard has no free key left for it."),
               MsgExclamation, kTitle);
        break;
    case WindowService::Delivery::Failed:
        msgBox(QStringLiteral("The character could not be typed: the display refused the keys."), MsgExclamation,
               kTitle);
        break;
    }
}

void CharacterBar::hostInvalid(int index)
{
    characterButtons.at(index)->setDown(false); // the box takes the button's release
    m_leftHeld = false;
    msgBox(QStringLiteral("A titlebar caption was not entered or is invalid."), MsgCritical, kTitle);
    options().assignCharacter();
    focusRest->setFocus();
}

void CharacterBar::rightPress(int index, QPoint pos)
{
    options().topmostTimer->stop(); // until the mouse moves over the bar again
    QPushButton* button = characterButtons.at(index);
    const QPoint inBar = button->mapTo(this, QPoint(0, 0));
    PopupInput in;
    in.barLeft = this->pos().x() * kTwipsPerPixel;
    in.barTop = this->pos().y() * kTwipsPerPixel;
    in.buttonLeft = inBar.x() * kTwipsPerPixel;
    in.buttonTop = inBar.y() * kTwipsPerPixel;
    in.buttonHeight = button->height() * kTwipsPerPixel;
    in.mouseX = pos.x() * kTwipsPerPixel;
    in.mouseY = pos.y() * kTwipsPerPixel;
    options().buttonMenu->popup(popupPosition(in));
}

void CharacterBar::onCharacterButtonHovered(int)
{
    enableTimer();
}

void CharacterBar::onCharacterButtonReleased(int)
{
    m_leftHeld = false;
    focusRest->setFocus();
    if (m_reactivateHost) {
        // Pressing took the activation to the bar on some desktops; give it back to the host.
        m_reactivateHost = false;
        if (const WindowService::WindowId window = m_service.findWindow(m_values.hostCaption))
            m_service.activateWindow(window, this, {});
    }
}

void CharacterBar::beginDrag(QPoint globalPos)
{
    m_dragging = true;
    m_dragOffset = globalPos - pos();
    setFixedHeight(tw(kBarDragHeight)); // only the strip while it moves
}

void CharacterBar::dragTo(QPoint globalPos)
{
    enableTimer();
    if (m_dragging)
        move(globalPos - m_dragOffset);
}

void CharacterBar::endDrag()
{
    m_dragging = false;
    setFixedHeight(tw(kBarHeight));
}

void CharacterBar::exitBar()
{
    if (m_exiting)
        return;
    m_exiting = true;
    if (!writeSettings())
        msgBox(QStringLiteral("Quillbar could not save its settings in %1.").arg(m_settingsPath), MsgExclamation,
               kTitle);
    QCoreApplication::quit();
}

bool CharacterBar::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    if (type != QEvent::MouseButtonPress && type != QEvent::MouseButtonRelease && type != QEvent::MouseMove &&
        type != QEvent::MouseButtonDblClick)
        return QWidget::eventFilter(watched, event);
    auto* mouse = static_cast<QMouseEvent*>(event);

    const auto found = std::find(characterButtons.begin(), characterButtons.end(), watched);
    if (found != characterButtons.end()) {
        const int index = int(found - characterButtons.begin());
        QPushButton* button = *found;
        switch (type) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick: // a quick second click types a second character
            if (mouse->button() == Qt::LeftButton)
                button->setDown(true);
            onCharacterButtonPressed(index, mouse->button(), mouse->position().toPoint());
            break;
        case QEvent::MouseButtonRelease:
            button->setDown(false);
            onCharacterButtonReleased(index);
            break;
        default:
            onCharacterButtonHovered(index);
            break;
        }
        return true; // the bar's buttons have no click of their own
    }
    if (watched == dragStrip) {
        const QPoint global = mouse->globalPosition().toPoint();
        if ((type == QEvent::MouseButtonPress || type == QEvent::MouseButtonDblClick) &&
            mouse->button() == Qt::LeftButton)
            beginDrag(global);
        else if (type == QEvent::MouseMove)
            dragTo(global);
        else if (type == QEvent::MouseButtonRelease && mouse->button() == Qt::LeftButton && m_dragging)
            endDrag();
        return true;
    }
    if (watched == closeBox) {
        if (type == QEvent::MouseButtonRelease && mouse->button() == Qt::LeftButton &&
            closeBox->rect().contains(mouse->position().toPoint()))
            exitBar();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void CharacterBar::paintEvent(QPaintEvent*)
{
    // The fixed dialog frame a captionless bar of this kind has always had.
    QPainter p(this);
    p.fillRect(rect(), palette().window());
    qDrawWinPanel(&p, rect(), palette(), false);
}

void CharacterBar::closeEvent(QCloseEvent* event)
{
    exitBar();
    event->accept();
}

} // namespace bv::quill
