#include "quickclean/ui/quickcleanwindow.h"

#include "common/format.h"
#include "platform/diskgeometry.h"
#include "platform/messages.h"
#include "platform/paths.h"
#include "platform/twips.h"
#include "platform/ui/fonts.h"
#include "platform/ui/messagebox_qt.h"
#include "platform/users.h"
#include "quickclean/quickcleanrun.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QScreen>

#include <utility>

namespace bv {

namespace {

// Where the two counts stand, by whether the captions are the sample run's (shorter) ones.
constexpr int kKilledLeft = 1305;
constexpr int kBytesLeft = 1440;
constexpr int kSampleCountsLeft = 1000;

} // namespace

QuickClean::QuickClean(PanelHost& host, QWidget* parent) : QDialog(parent), m_host(host)
{
    setObjectName(QStringLiteral("QuickClean"));
    setWindowTitle(QStringLiteral("Quick Clean"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    setModal(true);
    setFont(sansFont(8.25));
    setFixedSize(twSize(4920, 3105));
    setMouseTracking(true);
    buildControls();
    setTempFolder(systemTempFolder());
    Drive1->reload();
    Form_Load();
}

void QuickClean::setTempFolder(const QByteArray& folder)
{
    m_tempFolder = folder;
    // The caption names the classic folder; which folder that is here is said where it is asked.
    WindowsCheck->setToolTip(
        folder.isEmpty()
            ? QStringLiteral("There is no temporary folder here: /tmp is missing.")
            : QStringLiteral("The temporary folder here is %1.\nEvery file directly in it is removed, except files "
                             "changed or opened in the last 24 hours.")
                  .arg(displayPath(folder)));
}

QuickClean::~QuickClean() = default;

void QuickClean::buildControls()
{
    const QFont plain = arialFont(8.25);
    const QFont bold = arialFont(8.25, true);
    auto label = [&](int index, const QString& caption, QRect rect, const QFont& font) {
        auto* l = new QLabel(caption, this);
        l->setObjectName(QStringLiteral("Label1_%1").arg(index));
        l->setGeometry(rect);
        l->setFont(font);
        l->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        Label1[index] = l;
        return l;
    };
    auto check = [&](const char* name, const QString& caption, QRect rect, bool ticked) {
        auto* c = new QCheckBox(caption, this);
        c->setObjectName(QString::fromLatin1(name));
        c->setGeometry(rect);
        c->setFont(plain);
        c->setChecked(ticked);
        return c;
    };
    auto count = [&](const char* name, QRect rect) {
        auto* l = new QLabel(this);
        l->setObjectName(QString::fromLatin1(name));
        l->setGeometry(rect);
        l->setFont(bold);
        l->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        setTextColour(l, Qt::red);
        return l;
    };
    auto button = [&](const char* name, const QString& caption, QRect rect) {
        auto* b = new QPushButton(caption, this);
        b->setObjectName(QString::fromLatin1(name));
        b->setGeometry(rect);
        // Enter never starts a clean by itself.
        b->setAutoDefault(false);
        return b;
    };

    label(0,
          QStringLiteral("Many applications create temporary files but do not remove them when they are no longer "
                         "needed. This utility will search your drive for these types of files and reclaim disk "
                         "space."),
          twRect(15, 0, 4860, 750), plain)
        ->setWordWrap(true);
    QLabel* driveCaption = label(1, QStringLiteral("Please specify the drive:"), twRect(30, 690, 2040, 240), bold);
    Drive1 = new DriveList(this);
    Drive1->setObjectName(QStringLiteral("Drive1"));
    driveCaption->setBuddy(Drive1);
    Drive1->setGeometry(twRect(2100, 645, 1845, 315));
    label(2, QStringLiteral("The following types of files will be removed:"), twRect(15, 1005, 3735, 225), bold);
    TempCheck = check("TempCheck", QStringLiteral("*.TMP"), twRect(135, 1245, 855, 240), false);
    FtsCheck = check("FtsCheck", QStringLiteral("*.FTS"), twRect(1200, 1245, 855, 240), false);
    WindowsCheck =
        check("WindowsCheck", QStringLiteral("Files in Windows Temp folder"), twRect(2175, 1245, 2550, 240), true);
    BakCheck = check("BakCheck", QStringLiteral("*.BAK"), twRect(135, 1485, 855, 240), false);
    DoeCheck = check("DoeCheck", QStringLiteral("*.$$$ "), twRect(1200, 1485, 855, 240), false);
    IECheck = check("IECheck", QStringLiteral("IE 3.0 Temporary Internet Files"), twRect(2175, 1485, 2550, 240), false);
    label(5, QStringLiteral("Search Options:"), twRect(15, 1695, 1395, 225), bold);
    // Reaches nearer to Sample Run: the caption is a few pixels wider than its classic box here.
    RecycleCheck =
        check("RecycleCheck", QStringLiteral("Send Files to the Recycle Bin"), twRect(135, 1935, 2580, 240), true);
    RecycleCheck->setToolTip(QStringLiteral(
        "The Recycle Bin is the desktop's Trash: files sent there can be restored until it is emptied."));
    SampleCheck = check("SampleCheck", QStringLiteral("Sample Run"), twRect(2760, 1935, 1200, 240), false);
    label(3, QStringLiteral("Files removed:"), twRect(15, 2295, 1305, 240), bold);
    Killed = count("Killed", twRect(kKilledLeft, 2295, 810, 195));
    label(4, QStringLiteral("Bytes reclaimed:"), twRect(15, 2520, 1425, 240), bold);
    ReclaimedBytes = count("ReclaimedBytes", twRect(kBytesLeft, 2520, 1200, 195));
    CancelButton = button("CancelButton", QStringLiteral("&Cancel"), twRect(2535, 2730, 1170, 375));
    StartButton = button("StartButton", QStringLiteral("&Start"), twRect(3735, 2730, 1185, 375));
    Status = new QLabel(QStringLiteral("Working..."), this);
    Status->setObjectName(QStringLiteral("Status"));
    Status->setGeometry(twRect(0, 2895, 900, 210));
    QFont italic = sansFont(8.25);
    italic.setItalic(true);
    Status->setFont(italic);
    Status->hide();

    QWidget* order[] = {Drive1,  TempCheck,    FtsCheck,    WindowsCheck, BakCheck,    DoeCheck,
                        IECheck, RecycleCheck, SampleCheck, StartButton,  CancelButton};
    for (std::size_t i = 1; i < std::size(order); ++i)
        QWidget::setTabOrder(order[i - 1], order[i]);

    connect(Drive1, &DriveList::gotFocus, this, &QuickClean::Drive1_GotFocus);
    connect(Drive1, &DriveList::driveChanged, this, &QuickClean::Drive1_Change);
    connect(SampleCheck, &QCheckBox::clicked, this, &QuickClean::SampleCheck_Click);
    connect(StartButton, &QPushButton::clicked, this, &QuickClean::StartButton_Click);
    connect(CancelButton, &QPushButton::clicked, this, &QuickClean::CancelButton_Click);
    CancelButton->setMouseTracking(true);
    CancelButton->installEventFilter(this);
}

void QuickClean::setDrives(const QList<DriveEntry>& drives, const QByteArray& current)
{
    Drive1->setDrives(drives, current);
    m_driveText = Drive1->mountPoint();
    m_chosenDrive.choose(m_driveText);
}

void QuickClean::Form_Load()
{
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect s = screen->geometry();
        move(s.left() + (s.width() - width()) / 2, s.top() + (s.height() - height()) / 2);
    }
    m_driveText = Drive1->mountPoint();
    m_chosenDrive.choose(m_driveText);
    Drive1->setFocus(Qt::OtherFocusReason);
}

QuickCleanChoices QuickClean::choices() const
{
    QuickCleanChoices c;
    c.tmpFiles = TempCheck->isChecked();
    c.bakFiles = BakCheck->isChecked();
    c.ftsFiles = FtsCheck->isChecked();
    c.dollarFiles = DoeCheck->isChecked();
    c.tempFolder = WindowsCheck->isChecked();
    c.browserCache = IECheck->isChecked();
    c.recycle = RecycleCheck->isChecked();
    c.sample = SampleCheck->isChecked();
    return c;
}

void QuickClean::Drive1_GotFocus()
{
    m_driveText = Drive1->mountPoint();
    if (m_chosenDrive.path() != m_driveText)
        m_chosenDrive.choose(m_driveText);
}

void QuickClean::Drive1_Change()
{
    // A bounded query of the drive's root: a dead network share is reported, never waited on.
    keepReachableDrive(*Drive1, m_driveText, m_host,
                       [](const QByteArray& drive) { return systemDiskGeometry().query(drive).has_value(); });
    m_chosenDrive.choose(m_driveText);
}

void QuickClean::SampleCheck_Click()
{
    const bool sample = SampleCheck->isChecked();
    Label1[3]->setText(sample ? QStringLiteral("Files found:") : QStringLiteral("Files removed:"));
    Label1[4]->setText(sample ? QStringLiteral("Total bytes:") : QStringLiteral("Bytes reclaimed:"));
    Killed->move(tw(sample ? kSampleCountsLeft : kKilledLeft), Killed->y());
    ReclaimedBytes->move(tw(sample ? kSampleCountsLeft : kBytesLeft), ReclaimedBytes->y());
}

void QuickClean::setInputsEnabled(bool enabled)
{
    for (QWidget* w : std::initializer_list<QWidget*>{RecycleCheck, SampleCheck, IECheck, TempCheck, BakCheck, FtsCheck,
                                                      DoeCheck, WindowsCheck, Drive1, StartButton})
        w->setEnabled(enabled);
}

void QuickClean::StartButton_Click()
{
    AppState& program = m_host.program();
    if (!StartButton->isEnabled() || program.SearchState == SearchState::Running)
        return;
    if (!m_chosenDrive.stillLeadsThere())
        return;
    // Quick Clean keeps no log.
    QuickCleanRun run(program, *this);
    if (!run.prepare({m_driveText, m_tempFolder, choices()}))
        return;

    Status->show();
    setInputsEnabled(false);
    program.StopRequested = false;
    m_host.run().resetCounters();
    // No event-loop pass until the walk runs: a Cancel clicked right after Start must find a
    // running run to ask about, not an idle window that closes while the clean goes on unseen.
    // The walk's first pass comes as soon as the drive's root is listed.
    run.walk();
    m_host.letMessagesBeProcessed();
    if (program.SearchState != SearchState::Ended)
        return;

    m_host.finishProgress(12);
    setScreenPointer(1);
    CancelButton->setText(QStringLiteral("&Done"));
    Status->hide();
    // The counts are this window's own; the main window's counters belong to the search panels,
    // which expect them at zero while no panel is open.
    m_host.run().resetCounters();
    run.finish();
}

void QuickClean::tell(const QString& text, int style, const QString& title)
{
    msgBox(text, style, title);
}

bool QuickClean::ask(const QString& text, int style, const QString& title)
{
    return msgBox(text, style, title) == AnswerYes;
}

void QuickClean::showFigures(const RunValues& figures)
{
    m_figures = figures;
    showCounts();
}

void QuickClean::showStatus(const QString& text)
{
    m_host.ShowStatus(text);
}

WalkScreen& QuickClean::walkScreen()
{
    return m_host.walkScreen();
}

void QuickClean::letEventsIn()
{
    m_host.letMessagesBeProcessed();
}

void QuickClean::showCounts()
{
    if (m_figures.FilesRemoved == 0)
        return; // an empty caption until the first file
    Killed->setText(QString::number(m_figures.FilesRemoved));
    ReclaimedBytes->setText(formatPicture(double(m_figures.BytesReclaimed), QStringLiteral("#,###,###,##0")));
}

void QuickClean::CancelButton_Click()
{
    AppState& program = m_host.program();
    if (program.SearchState == SearchState::Running) {
        if (msgBox(QStringLiteral("Do you really want to cancel the search?"), MsgQuestion) == AnswerYes)
            program.StopRequested = true;
        return;
    }
    close();
}

void QuickClean::closeEvent(QCloseEvent* event)
{
    AppState& program = m_host.program();
    if (program.SearchState != SearchState::Running) {
        event->accept();
        return;
    }
    if (msgBox(QStringLiteral("A search is currently in progress. Do you wish to cancel it?"), MsgQuestion) !=
        AnswerYes) {
        event->ignore();
        return;
    }
    program.StopRequested = true;
    m_host.letMessagesBeProcessed();
    // The run ends at its next step and finishes on the hidden window; the window is destroyed
    // only after that, when its opener's event loop returns.
    event->accept();
}

void QuickClean::reject()
{
    // Escape closes the window the way its close box does, with the same question during a run.
    close();
}

void QuickClean::paintEvent(QPaintEvent* event)
{
    QDialog::paintEvent(event);
    // The etched separator above the counts.
    QPainter p(this);
    p.setPen(QColor(0x80, 0x80, 0x80));
    p.drawLine(0, tw(2235), width(), tw(2235));
    p.setPen(Qt::white);
    p.drawLine(0, tw(2265), width(), tw(2265));
}

void QuickClean::mouseMoveEvent(QMouseEvent* event)
{
    setScreenPointer(m_host.program().SearchState == SearchState::Running ? 11 : 1);
    QDialog::mouseMoveEvent(event);
}

bool QuickClean::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == CancelButton && event->type() == QEvent::MouseMove)
        setScreenPointer(1); // the button that stays usable during a run
    return QDialog::eventFilter(watched, event);
}

void openQuickClean(PanelHost& host)
{
    QuickClean window(host, host.dialogParent());
    window.exec();
}

} // namespace bv
