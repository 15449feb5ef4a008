#include "charbar/ui/characterbar.h"

#include "charbar/core/charnames.h"
#include "charbar/core/cp1252.h"
#include "charbar/core/layout.h"
#include "charbar/core/window_service.h"
#include "charbar/ui/artwork.h"
#include "charbar/ui/baroptions.h"
#include "platform/messages.h"
#include "platform/twips.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFrame>
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

const QString kTitle = QStringLiteral("Quillbar");
constexpr int kButtonPointSize = 10;

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

Quillbar::Quillbar(WindowService& service, const QuillSettings& settings, const QString& settingsPath, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus), m_service(service),
      m_settingsPath(settingsPath)
{
    setObjectName(QStringLiteral("Quillbar"));
    setWindowTitle(QString());
    setAccessibleName(kTitle); // the window has no title of its own to be read by
    setWindowIcon(quillIcon());
    // Clicking the bar must leave the keyboard focus with the host, which is where it types.
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFixedSize(tw(kBarClientWidth) + 2 * kBarFrame, tw(kBarHeight));

    Client = new QWidget(this);
    Client->setObjectName(QStringLiteral("Client"));
    Client->setGeometry(kBarFrame, kBarFrame, tw(kBarClientWidth), tw(kBarClientHeight));

    DummyText = new QLineEdit(QStringLiteral("Text1"), Client);
    DummyText->setObjectName(QStringLiteral("DummyText"));
    DummyText->setGeometry(twRect(705, 1515, 1215, 495)); // below the visible client area
    DummyText->setAccessibleName(kTitle);

    TitleBar = new QLabel(Client);
    TitleBar->setObjectName(QStringLiteral("TitleBar"));
    TitleBar->setGeometry(twRect(0, 0, 3165, kStripHeight));
    TitleBar->setPixmap(stripBitmap());
    TitleBar->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    TitleBar->setMouseTracking(true);
    TitleBar->setAccessibleName(QStringLiteral("Drag to move Quillbar"));
    TitleBar->installEventFilter(this);

    ExitButton = new QWidget(Client);
    ExitButton->setObjectName(QStringLiteral("ExitButton"));
    ExitButton->setGeometry(twRect(2835, 15, 210, 135));
    ExitButton->setToolTip(QStringLiteral("Close Quillbar"));
    ExitButton->setAccessibleName(ExitButton->toolTip());
    ExitButton->installEventFilter(this);

    Line1 = new QFrame(Client);
    Line1->setObjectName(QStringLiteral("Line1"));
    Line1->setGeometry(0, tw(kStripHeight), tw(kBarClientWidth), 1);
    Line1->setAutoFillBackground(true);
    QPalette linePalette = Line1->palette();
    linePalette.setColor(QPalette::Window, QColor(0x80, 0x80, 0x80));
    Line1->setPalette(linePalette);

    m_values.hostCaption = settings.hostCaption;
    m_values.buttonFont = settings.buttonFont;
    for (int i = 0; i < kButtonCount; ++i) {
        auto* button = new QPushButton(Client);
        button->setObjectName(QStringLiteral("TheButtons(%1)").arg(i));
        button->setGeometry(twRect(kButtonStep * i, kButtonTop, kButtonSize, kButtonSize));
        button->setFocusPolicy(Qt::NoFocus);
        button->setMouseTracking(true);
        button->installEventFilter(this);
        // The mouse never reaches the button's own click (the filter takes its events); a press
        // from assistive technology does, and types as a left click would.
        connect(button, &QPushButton::clicked, this, [this, i] {
            TheButtons_MouseDown(i, Qt::LeftButton, TheButtons.at(i)->rect().center());
            TheButtons_MouseUp(i);
        });
        TheButtons[i] = button;
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
        options().AlwaysOnTop->setChecked(true);
    }
}

Quillbar::~Quillbar() = default;

Options& Quillbar::options()
{
    if (!m_options) {
        m_options = std::make_unique<Options>(*this);
        m_options->Timer1->start();
    }
    return *m_options;
}

QString Quillbar::buttonCaption(int index) const
{
    return characterForCode(m_codes.at(index));
}

void Quillbar::setButtonCode(int index, int code)
{
    showCode(index, code);
    prepareCharacters();
}

void Quillbar::showCode(int index, int code)
{
    m_codes.at(index) = isAssignableCode(code) ? code : 0;
    QString text = buttonCaption(index);
    text.replace(u'&', QStringLiteral("&&")); // a caption is the character, not a shortcut
    QPushButton* button = TheButtons.at(index);
    button->setText(text);
    // A screen reader reads the character's name, not the character, which it may not know.
    button->setAccessibleName(m_codes.at(index) ? QStringLiteral("Type ") + nameForCode(m_codes.at(index))
                                                : QStringLiteral("No character assigned"));
    button->setAccessibleDescription(buttonCaption(index));
}

void Quillbar::setButtonFont(const QString& family)
{
    m_values.buttonFont = family;
    const QFont font = buttonFont(family);
    for (QPushButton* button : TheButtons)
        button->setFont(font);
}

void Quillbar::prepareCharacters()
{
    QString characters;
    for (int i = 0; i < kButtonCount; ++i)
        characters += buttonCaption(i);
    if (!characters.isEmpty() && m_service.unavailableReason().isEmpty())
        m_service.prepareCharacters(characters);
}

void Quillbar::makeTopmost(bool on)
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

bool Quillbar::isTopmost() const
{
    const QWindow* window = windowHandle();
    return window ? window->flags().testFlag(Qt::WindowStaysOnTopHint)
                  : windowFlags().testFlag(Qt::WindowStaysOnTopHint);
}

QuillSettings Quillbar::currentSettings() const
{
    QuillSettings s;
    s.left = pos().x() * kTwipsPerPixel;
    s.top = pos().y() * kTwipsPerPixel;
    s.hostCaption = m_values.hostCaption;
    s.buttonFont = m_values.buttonFont;
    s.codes = m_codes;
    s.alwaysOnTop = m_options && m_options->AlwaysOnTop->isChecked();
    return s;
}

bool Quillbar::writeSettings()
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

void Quillbar::enableTimer()
{
    QTimer* timer = options().Timer1;
    if (!timer->isActive())
        timer->start();
}

void Quillbar::TheButtons_MouseDown(int index, Qt::MouseButton button, QPoint pos)
{
    m_values.currentButton = index;
    enableTimer();
    if (button == Qt::LeftButton) {
        m_leftHeld = true;
        leftPress(index);
    } else if (button == Qt::RightButton)
        rightPress(index, pos);
}

void Quillbar::leftPress(int index)
{
    const QString character = buttonCaption(index);
    if (character.isEmpty()) {
        TheButtons.at(index)->setDown(false); // the box takes the button's release
        msgBox(QStringLiteral("You must first assign this button a character."), MsgExclamation, kTitle);
        options().AddCharacter_Click();
        DummyText->setFocus();
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

void Quillbar::deliver(WindowService::WindowId window, const QString& text, int index)
{
    m_delivering = true;
    m_service.typeInto(window, text, this,
                       [this, window, index](WindowService::Delivery result) { delivered(window, index, result); });
}

void Quillbar::delivered(WindowService::WindowId window, int index, WindowService::Delivery result)
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
        ReactivateHost = m_leftHeld;
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

void Quillbar::hostInvalid(int index)
{
    TheButtons.at(index)->setDown(false); // the box takes the button's release
    m_leftHeld = false;
    msgBox(QStringLiteral("A titlebar caption was not entered or is invalid."), MsgCritical, kTitle);
    options().AddCharacter_Click();
    DummyText->setFocus();
}

void Quillbar::rightPress(int index, QPoint pos)
{
    options().Timer1->stop(); // until the mouse moves over the bar again
    QPushButton* button = TheButtons.at(index);
    const QPoint inBar = button->mapTo(this, QPoint(0, 0));
    PopupInput in;
    in.barLeft = this->pos().x() * kTwipsPerPixel;
    in.barTop = this->pos().y() * kTwipsPerPixel;
    in.buttonLeft = inBar.x() * kTwipsPerPixel;
    in.buttonTop = inBar.y() * kTwipsPerPixel;
    in.buttonHeight = button->height() * kTwipsPerPixel;
    in.mouseX = pos.x() * kTwipsPerPixel;
    in.mouseY = pos.y() * kTwipsPerPixel;
    options().ButtonOptions->popup(popupPosition(in));
}

void Quillbar::TheButtons_MouseMove(int)
{
    enableTimer();
}

void Quillbar::TheButtons_MouseUp(int)
{
    m_leftHeld = false;
    DummyText->setFocus();
    if (ReactivateHost) {
        // Pressing took the activation to the bar on some desktops; give it back to the host.
        ReactivateHost = false;
        if (const WindowService::WindowId window = m_service.findWindow(m_values.hostCaption))
            m_service.activateWindow(window, this, {});
    }
}

void Quillbar::TitleBar_MouseDown(QPoint globalPos)
{
    Dragging = 1;
    m_dragOffset = globalPos - pos();
    setFixedHeight(tw(kBarDragHeight)); // only the strip while it moves
}

void Quillbar::TitleBar_MouseMove(QPoint globalPos)
{
    enableTimer();
    if (Dragging == 1)
        move(globalPos - m_dragOffset);
}

void Quillbar::TitleBar_MouseUp()
{
    Dragging = 0;
    setFixedHeight(tw(kBarHeight));
}

void Quillbar::ExitButton_Click()
{
    if (m_exiting)
        return;
    m_exiting = true;
    if (!writeSettings())
        msgBox(QStringLiteral("Quillbar could not save its settings in %1.").arg(m_settingsPath), MsgExclamation,
               kTitle);
    QCoreApplication::quit();
}

bool Quillbar::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    if (type != QEvent::MouseButtonPress && type != QEvent::MouseButtonRelease && type != QEvent::MouseMove &&
        type != QEvent::MouseButtonDblClick)
        return QWidget::eventFilter(watched, event);
    auto* mouse = static_cast<QMouseEvent*>(event);

    const auto found = std::find(TheButtons.begin(), TheButtons.end(), watched);
    if (found != TheButtons.end()) {
        const int index = int(found - TheButtons.begin());
        QPushButton* button = *found;
        switch (type) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick: // a quick second click types a second character
            if (mouse->button() == Qt::LeftButton)
                button->setDown(true);
            TheButtons_MouseDown(index, mouse->button(), mouse->position().toPoint());
            break;
        case QEvent::MouseButtonRelease:
            button->setDown(false);
            TheButtons_MouseUp(index);
            break;
        default:
            TheButtons_MouseMove(index);
            break;
        }
        return true; // the bar's buttons have no click of their own
    }
    if (watched == TitleBar) {
        const QPoint global = mouse->globalPosition().toPoint();
        if ((type == QEvent::MouseButtonPress || type == QEvent::MouseButtonDblClick) &&
            mouse->button() == Qt::LeftButton)
            TitleBar_MouseDown(global);
        else if (type == QEvent::MouseMove)
            TitleBar_MouseMove(global);
        else if (type == QEvent::MouseButtonRelease && mouse->button() == Qt::LeftButton && Dragging)
            TitleBar_MouseUp();
        return true;
    }
    if (watched == ExitButton) {
        if (type == QEvent::MouseButtonRelease && mouse->button() == Qt::LeftButton &&
            ExitButton->rect().contains(mouse->position().toPoint()))
            ExitButton_Click();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void Quillbar::paintEvent(QPaintEvent*)
{
    // The fixed dialog frame a captionless bar of this kind has always had.
    QPainter p(this);
    p.fillRect(rect(), palette().window());
    qDrawWinPanel(&p, rect(), palette(), false);
}

void Quillbar::closeEvent(QCloseEvent* event)
{
    ExitButton_Click();
    event->accept();
}

} // namespace bv::quill
