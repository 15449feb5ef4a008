// SPDX-License-Identifier: GPL-3.0-or-later
// No GLib here: file types, opening and file operations all go through platform/.
#include "search/ui/verificationwindow.h"

#include "common/ui/panelhost.h"
#include "platform/desktop.h"
#include "platform/filetype.h"
#include "platform/messages.h"
#include "platform/paths.h"
#include "platform/twips.h"
#include "platform/ui/fileicon.h"
#include "platform/ui/inputguard.h"
#include "common/wording.h"
#include "common/ui/moveform.h"

#include <QDir>
#include <QEvent>
#include <QFile>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QIcon>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QTimer>

namespace bv {

namespace {

constexpr int kGlassStep = 65; // twips per animation tick
constexpr int kGlassStartLeft = 0;
constexpr int kGlassStartTop = 475;

const QColor kLinkColour = QColor::fromRgb(layout::kBlue);
const QColor kPressedLinkColour = QColor::fromRgb(layout::kRed);

// A 30 x 30 magnifying glass: a lens with a rim and a glint, and a handle to the lower right.
QPixmap magnifierBitmap()
{
    QPixmap pm(30, 30);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    // Handle first, so the rim covers its end.
    p.setPen(QPen(QColor(0x60, 0x38, 0x10), 4.5, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(18.5, 18.5), QPointF(27, 27));
    const QRectF lens(2.5, 2.5, 18, 18);
    p.setPen(QPen(QColor(0x40, 0x40, 0x40), 2.5));
    p.setBrush(QColor(0xC8, 0xE8, 0xFF, 0xD0));
    p.drawEllipse(lens);
    p.setPen(QPen(Qt::white, 1.6, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(6, 6, 10, 10), 100 * 16, 70 * 16);
    return pm;
}

// A caption as a label shows it: "&&" is one "&" (it stays doubled in the log).
QString shownCaption(const QString& caption)
{
    QString s = caption;
    return s.replace(QLatin1String("&&"), QLatin1String("&"));
}

using namespace bv::layout;

constexpr Font kLinkFont{Family::Arial, 8.25, true, false, true};
constexpr Font kFileTypeFont{Family::Sans, 6.75};

// The window, as designed. Every caption holds a file's name or facts of it, never markup. The
// file name sticks out of the window by a pixel each side; the reference date sits below the
// visible client area, where it only holds the date; the two thin boxes are the etched separator
// (a grey line with a white one under it).
constexpr ControlSpec kControls[] = {
    {"Label1_0", Kind::Label, {15, -15, 2640, 240}, "The Following File was Found:", kArial825Bold, {}, 0, PlainText},
    {"FileName",
     Kind::Label,
     {-30, 165, 5985, 240},
     "c:\\sample name\\sample.nam",
     kLinkFont,
     {kBlue},
     0,
     PlainText | CentreTop},
    {"LastUsedLabel",
     Kind::Label,
     {900, 420, 3645, 240},
     "...It Has Not Been Used Since 2/13/75",
     kArial825Bold,
     {},
     0,
     PlainText},
    {"BytesLabel", Kind::Label, {900, 660, 2775, 240}, "...File Size Is 2000 Bytes", kArial825Bold, {}, 0, PlainText},
    {"FileAttribute", Kind::Label, {900, 900, 3765, 240}, "...It is Read-Only", kArial825Bold, {}, 0, PlainText},
    {"FileType", Kind::Label, {4755, 855, 1140, 330}, "", kFileTypeFont, {}, 0, PlainText | CentreTop | WordWrap},
    {"IconMan", Kind::Box, {5100, 390, 480, 480}, "", kWindowFont, {kNoColour, kLightGrey}, 0, PlainText},
    {"Glass", Kind::Box, {kGlassStartLeft, kGlassStartTop, 450, 450}, "", kWindowFont, {}, 0, PlainText | LeftTop},
    {"AssociationLabel",
     Kind::Label,
     {0, 1125, 5895, 195},
     "Could Not Find An Application Associated With This File.",
     kArial825Bold,
     {kRed},
     0,
     Hidden | PlainText | CentreTop},
    {"LastAccessDate", Kind::Label, {285, 2670, 1215, 240}, "Label2", kWindowFont, {}, 0, PlainText},
    {"Line1_0", Kind::Box, {0, 1335, 5940, 15}, "", kWindowFont, {kNoColour, kDarkGrey}},
    {"Line1_1", Kind::Box, {0, 1365, 5940, 15}, "", kWindowFont, {kNoColour, kWhite}},
    {"AbortButton", Kind::Button, {165, 1410, 1125, 405}, "&Abort", kWindowFont, {}, 4},
    {"MoveButton", Kind::Button, {1320, 1410, 1125, 405}, "&Move", kWindowFont, {}, 5},
    {"ExploreButton", Kind::Button, {2475, 1410, 1125, 405}, "&Explore", kWindowFont, {}, 3},
    {"DeleteButton", Kind::Button, {3630, 1410, 1125, 405}, "&Delete", kWindowFont, {}, 2},
    {"IgnoreButton", Kind::Button, {4785, 1410, 1125, 405}, "&Ignore", kWindowFont, {}, 1},
};

constexpr LayoutTable kLayout{{"VerificationWindow", "Verification Window", 5940, 1815, kArial825}, kControls};

} // namespace

VerificationWindow::VerificationWindow(PanelHost& host, QWidget* parent) : QDialog(parent), m_host(host)
{
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    setModal(true);
    applyForm(this, kLayout);
    setMouseTracking(true);
    buildControls();
    // The next file comes up at once where the last one was: the rest of a double-click or a
    // held key must not decide about a file not yet seen.
    InputGuard::install(this);
}

VerificationWindow::~VerificationWindow() = default;

const LayoutTable& VerificationWindow::layout()
{
    return kLayout;
}

void VerificationWindow::buildControls()
{
    const Controls controls = buildLayout(this, kLayout);
    m_foundCaption = controls.get<QLabel>("Label1_0");
    m_fileNameLink = controls.get<QLabel>("FileName");
    m_lastUsedLabel = controls.get<QLabel>("LastUsedLabel");
    m_sizeLabel = controls.get<QLabel>("BytesLabel");
    m_attributeLabel = controls.get<QLabel>("FileAttribute");
    m_fileTypeLabel = controls.get<QLabel>("FileType");
    m_fileIcon = controls.get<QLabel>("IconMan");
    m_magnifier = controls.get<QLabel>("Glass");
    m_noApplicationLabel = controls.get<QLabel>("AssociationLabel");
    m_referenceDateLabel = controls.get<QLabel>("LastAccessDate");
    m_abortButton = controls.get<QPushButton>("AbortButton");
    m_moveButton = controls.get<QPushButton>("MoveButton");
    m_exploreButton = controls.get<QPushButton>("ExploreButton");
    m_deleteButton = controls.get<QPushButton>("DeleteButton");
    m_ignoreButton = controls.get<QPushButton>("IgnoreButton");

    m_fileNameLink->setCursor(Qt::PointingHandCursor);
    m_fileIcon->setAlignment(Qt::AlignCenter);
    m_magnifierPos = QPoint(kGlassStartLeft, kGlassStartTop);
    m_magnifier->setPixmap(magnifierBitmap());

    connect(m_ignoreButton, &QPushButton::clicked, this, [this] { onIgnoreClicked(); });
    connect(m_deleteButton, &QPushButton::clicked, this, [this] { onDeleteClicked(); });
    connect(m_exploreButton, &QPushButton::clicked, this, [this] { onExploreClicked(); });
    connect(m_moveButton, &QPushButton::clicked, this, [this] { onMoveClicked(); });
    connect(m_abortButton, &QPushButton::clicked, this, [this] { onAbortClicked(); });

    m_magnifierTimer = new QTimer(this);
    m_magnifierTimer->setObjectName(QStringLiteral("Timer1"));
    m_magnifierTimer->setInterval(150);
    connect(m_magnifierTimer, &QTimer::timeout, this, [this] { onMagnifierTick(); });

    for (QWidget* w : {static_cast<QWidget*>(m_fileNameLink), static_cast<QWidget*>(m_foundCaption),
                       static_cast<QWidget*>(m_lastUsedLabel)}) {
        w->setMouseTracking(true);
        w->installEventFilter(this);
    }
    installEventFilter(this); // mouse moves over the window itself
}

void VerificationWindow::load(const VerifyItem& item, FileActions& actions)
{
    m_item = item;
    m_actions = &actions;
    m_decision = FileDecision{};
    m_opened = false;
    // A long path keeps both ends (where it is and what it is called); the tip has it all.
    const QString shown = displayPath(item.path); // a newline or U+202E in a name shows written out
    // The label sticks out of the window by a pixel each side by design: fit the visible part.
    const int room = qMin(m_fileNameLink->width(), width()) - 6;
    m_fileNameLink->setText(QFontMetrics(m_fileNameLink->font()).elidedText(shown, Qt::ElideMiddle, room));
    m_fileNameLink->setToolTip(shown);
    m_lastUsedLabel->setText(shownCaption(item.lastUsedText));
    m_sizeLabel->setText(shownCaption(item.bytesText));
    m_attributeLabel->setText(shownCaption(item.attributeText));
    m_referenceDateLabel->setText(item.referenceDate);

    const FileTypeInfo type = fileTypeOf(item.path);
    m_fileTypeLabel->setText(type.description);
    m_fileIcon->setPixmap(fileTypeIcon(type, style()).pixmap(32, 32));
    resetControls();
}

void VerificationWindow::resetControls()
{
    m_exploreButton->setEnabled(true);
    m_noApplicationLabel->hide();
}

FileDecision VerificationWindow::verify(const VerifyItem& item, FileActions& actions)
{
    load(item, actions);
    if (!isVisible()) {
        // Centred on the screen each time it comes up, as a fresh load would be.
        if (const QScreen* screen = QGuiApplication::primaryScreen()) {
            QRect r = frameGeometry();
            r.moveCenter(screen->availableGeometry().center());
            move(r.topLeft());
        }
    }
    m_magnifierTimer->start();
    m_ignoreButton->setFocus(Qt::OtherFocusReason);
    exec();
    m_magnifierTimer->stop();
    m_actions = nullptr;
    return m_decision;
}

QList<QByteArray> VerificationWindow::logBlock() const
{
    return m_item.logBlock();
}

void VerificationWindow::finish(const FileDecision& decision)
{
    m_decision = decision;
    resetControls();
    done(int(decision.choice));
}

void VerificationWindow::onIgnoreClicked()
{
    m_opened = false;
    finish({FileChoice::Ignore, ActOutcome::NotTouched, m_actions->ignore()});
}

void VerificationWindow::onDeleteClicked()
{
    m_opened = false; // a removed file keeps no date to restore; one that stays gets it back
    const RemovalRecord record = m_actions->remove();
    // A volume without a trash is refused like any other: the file is never deleted instead. A file
    // that changed is told once its record is in the log; one removed is counted either way, and a
    // lost ACTION line still stops the search.
    if (record.outcome != ActOutcome::Changed || record.logged) {
        const RemovalAction action = m_item.recycle ? RemovalAction::Trash : RemovalAction::Delete;
        const OutcomeMessage told =
            outcomeMessage(Teller::DecisionWindow, action, record.outcome, displayPath(m_item.path));
        if (!told.text.isEmpty())
            msgBox(told.text, told.style);
    }
    finish({FileChoice::Remove, record.outcome, record.logged});
}

void VerificationWindow::onExploreClicked()
{
    const OpenOutcome r = openWithDefaultApp(m_item.path);
    if (r.result == OpenResult::NoAssociation) {
        m_noApplicationLabel->show();
        m_exploreButton->setEnabled(false);
        return;
    }
    if (r.result == OpenResult::Failed) {
        msgBox(openFailureText(QStringLiteral("The file"), m_item.path, r), MsgExclamation);
        return;
    }
    m_opened = true;
    m_actions->opened();
}

void VerificationWindow::onFileNameClicked()
{
    // The label is a second Explore button, but not once Explore has found no application.
    if (m_exploreButton->isEnabled())
        onExploreClicked();
}

void VerificationWindow::onMoveClicked()
{
    m_opened = false; // the run puts the access time back before the file moves or stays
    MoveForm dialog(m_host, this);
    MoveRequest request;
    request.path = m_item.path;
    request.listed = m_item.info;
    FileActions& actions = *m_actions;
    const MoveResult result =
        dialog.moveFile(request, [&actions](const QByteArray& folder) { return actions.move(folder); });
    const ActOutcome outcome = result.record.outcome;
    if (!result.chosen || outcome == ActOutcome::Refused || outcome == ActOutcome::NotSupported) {
        // The same file again: it is never passed over without a decision and a record.
        resetControls();
        m_ignoreButton->setFocus(Qt::OtherFocusReason);
        return;
    }
    finish({FileChoice::Move, outcome, result.record.logged});
}

void VerificationWindow::onAbortClicked()
{
    m_opened = false;
    m_decision = {FileChoice::Abort, ActOutcome::NotTouched, true};
    resetControls();
    done(int(FileChoice::Abort));
    m_actions->abort();
    m_host.letMessagesBeProcessed();
}

void VerificationWindow::reject()
{
    onClosed();
}

void VerificationWindow::onClosed()
{
    if (!m_actions) { // no file on display
        QDialog::reject();
        return;
    }
    m_opened = false;
    finish({FileChoice::Close, ActOutcome::NotTouched, m_actions->ignore()});
}

void VerificationWindow::onMagnifierTick()
{
    QPoint& pos = m_magnifierPos;
    switch (m_magnifierPhase) {
    case 0:
        pos.rx() += kGlassStep;
        if (pos.x() > 200)
            m_magnifierPhase = 1;
        break;
    case 1:
        pos.ry() += kGlassStep;
        if (pos.y() > 675)
            m_magnifierPhase = 2;
        break;
    case 2:
        pos.rx() -= kGlassStep;
        if (pos.x() < 15)
            m_magnifierPhase = 3;
        break;
    default:
        pos.ry() -= kGlassStep;
        if (pos.y() < 475)
            m_magnifierPhase = 0;
        break;
    }
    m_magnifier->move(twPoint(pos.x(), pos.y()));
}

bool VerificationWindow::eventFilter(QObject* watched, QEvent* event)
{
    auto setFileNameColour = [this](const QColor& c) {
        QPalette pal = m_fileNameLink->palette();
        if (pal.color(QPalette::WindowText) == c)
            return;
        pal.setColor(QPalette::WindowText, c);
        m_fileNameLink->setPalette(pal);
    };
    if (watched == m_fileNameLink) {
        if (event->type() == QEvent::MouseButtonPress) {
            setFileNameColour(kPressedLinkColour);
        } else if (event->type() == QEvent::MouseButtonRelease) {
            setFileNameColour(kLinkColour);
            const auto* me = static_cast<QMouseEvent*>(event);
            if (me->button() == Qt::LeftButton && m_fileNameLink->rect().contains(me->position().toPoint()))
                onFileNameClicked();
            return true;
        }
    } else if (event->type() == QEvent::MouseMove) {
        setFileNameColour(kLinkColour);
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace bv
