#include "disk/ui/overhangform.h"

#include "common/format.h"
#include "common/ui/panelhost.h"
#include "common/ui/printsurface.h"
#include "disk/ui/diskwidgets.h"
#include "platform/messages.h"
#include "platform/paths.h"
#include "platform/twips.h"
#include "platform/ui/fonts.h"
#include "platform/ui/messagebox_qt.h"
#include "common/recordedremoval.h"
#include "common/ui/drivelist.h"

#include <QCloseEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>

namespace bv {

using namespace bv::disk;

namespace {

constexpr int kClientWidth = 5040;
constexpr int kClientHeight = 3990;

// The window's client area: the etched separator is drawn here and the figures printed onto it.
class OverhangSurface : public PrintSurface
{
public:
    using PrintSurface::PrintSurface;

protected:
    void paintBackground(QPainter& painter) override { paintEtchedLine(painter, 1950, 1980, kClientWidth); }
};

} // namespace

// The window's side of the walk: every listed file goes to Hanger, and the figures are printed
// when the walk driver says it is time.
class OverHangForm::Hooks : public FeatureHooks
{
public:
    explicit Hooks(OverHangForm& form) : m_form(form) {}
    void file(const WalkFile& file) override { m_form.Hanger(file); }
    void showProgress() override { m_form.printRunningFigures(); }

private:
    OverHangForm& m_form;
};

OverHangForm::OverHangForm(PanelHost& host, DiskGeometrySource& geometry, QWidget* parent)
    : QDialog(parent ? parent : host.dialogParent()), m_host(host), m_geometry(geometry)
{
    setObjectName(QStringLiteral("OverHangForm"));
    setWindowTitle(QStringLiteral("Cluster Overhang Search"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    setModal(true);
    setFont(arialFont(8.25, true));
    setFixedSize(twSize(kClientWidth, kClientHeight));
    m_surface = new OverhangSurface(this);
    m_surface->setObjectName(QStringLiteral("OverhangSurface"));
    m_surface->setGeometry(rect());
    m_surface->setBackColor(kLightGrey);
    m_surface->setMouseTracking(true);
    m_surface->installEventFilter(this);
    buildControls();
}

OverHangForm::~OverHangForm() = default;

void OverHangForm::buildControls()
{
    QWidget* s = m_surface;
    const QFont regular = arialFont(8.25);

    QLabel* intro =
        label(s, "Label1",
              QStringLiteral("This utility will scan your hard drive for cluster over hangs. All hard drives "
                             "are divided into clusters. The larger the partition the larger the cluster "
                             "in which files are stored. A file of just one byte will use up an entire "
                             "cluster, a file one byte larger than the cluster size will use two. Although "
                             "cluster overhangs cannot be avoided, you can reclaim disk space by "
                             "compressing or repartitioning your hard drive."),
              30, 30, 4920, 1500);
    intro->setFont(regular);
    intro->setWordWrap(true);
    intro->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    QLabel* driveCaption = label(s, "Label2", QStringLiteral("Please specify the drive:"), 30, 1620, 2160, 255);
    Drive1 = new DriveList(s);
    Drive1->setObjectName(QStringLiteral("Drive1"));
    driveCaption->setBuddy(Drive1);
    Drive1->setGeometry(twRect(2085, 1560, 1965, 330));
    Drive1->reload();
    connect(Drive1, &DriveList::gotFocus, this, [this] { Drive1_GotFocus(); });
    connect(Drive1, &DriveList::driveChanged, this, [this] { Drive1_Change(); });

    // Legend, "Total Wasted:" and the bar: shown once a search has ended.
    Label3[0] = colourBox(s, "Label3_0", kOlive, 225, 2070, 210, 240, true);
    Label4[0] = label(s, "Label4_0", QStringLiteral("Wasted"), 480, 2070, 705, 210);
    Label3[1] = colourBox(s, "Label3_1", kNavy, 1230, 2070, 210, 240, true);
    Label4[6] = label(s, "Label4_6", QStringLiteral("Used"), 1500, 2070, 540, 225);
    Label4[5] = label(s, "Label4_5", QStringLiteral("Total Wasted:"), 2640, 2070, 1155, 255);
    DummyFlood = colourBox(s, "DummyFlood", kNavy, 225, 2370, 4590, 300, true);
    Percentage = colourBox(s, "Percentage", kOlive, 255, 2400, 15, 240, false);
    ShowPercent = label(s, "ShowPercent", QStringLiteral("0% "), 255, 2415, 4515, 270);
    ShowPercent->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    QPalette white = ShowPercent->palette();
    white.setColor(QPalette::WindowText, Qt::white);
    ShowPercent->setPalette(white);
    for (QWidget* w : {static_cast<QWidget*>(Label3[0]), static_cast<QWidget*>(Label3[1]),
                       static_cast<QWidget*>(DummyFlood), static_cast<QWidget*>(Percentage)})
        w->setFont(regular);
    for (QWidget* w :
         {static_cast<QWidget*>(Label3[0]), static_cast<QWidget*>(Label4[0]), static_cast<QWidget*>(Label3[1]),
          static_cast<QWidget*>(Label4[6]), static_cast<QWidget*>(Label4[5]), static_cast<QWidget*>(DummyFlood),
          static_cast<QWidget*>(Percentage), static_cast<QWidget*>(ShowPercent)})
        w->hide();

    Label4[1] = label(s, "Label4_1", QStringLiteral("Number Of Files Scanned:"), 45, 2730, 2115, 255);
    Label4[2] = label(s, "Label4_2", QStringLiteral("Total File Sizes:"), 45, 2955, 1305, 255);
    Label4[3] = label(s, "Label4_3", QStringLiteral("Actual Space Used:"), 60, 3165, 1590, 255);
    Label4[4] = label(s, "Label4_4", QStringLiteral("Cluster Size:"), 60, 3375, 1095, 255);
    // The figures are printed beside these captions; a screen reader reads them together.
    m_surface->setPrintCaption(kFilesX, kFilesY, Label4[1]);
    m_surface->setPrintCaption(kSizesX, kSizesY, Label4[2]);
    m_surface->setPrintCaption(kUsedX, kUsedY, Label4[3]);
    m_surface->setPrintCaption(kClusterX, kClusterY, Label4[4]);
    m_surface->setPrintCaption(kWastedX, kWastedY, Label4[5]);

    WorkingLabel = label(s, "WorkingLabel", QStringLiteral("Working..."), 15, 3780, 915, 255);
    WorkingLabel->setFont(arialFont(8.25, false, true));
    WorkingLabel->hide();

    CancelButton = new QPushButton(QStringLiteral("&Cancel"), s);
    CancelButton->setObjectName(QStringLiteral("CancelButton"));
    CancelButton->setGeometry(twRect(2565, 3585, 1215, 390));
    StartButton = new QPushButton(QStringLiteral("&Start"), s);
    StartButton->setObjectName(QStringLiteral("StartButton"));
    StartButton->setGeometry(twRect(3810, 3585, 1215, 390));
    for (QPushButton* b : {CancelButton, StartButton}) {
        b->setFont(regular);
        b->setAutoDefault(false);
    }
    CancelButton->setMouseTracking(true);
    CancelButton->installEventFilter(this);
    connect(CancelButton, &QPushButton::clicked, this, [this] { CancelButton_Click(); });
    connect(StartButton, &QPushButton::clicked, this, [this] { StartButton_Click(); });

    setTabOrder(Drive1, StartButton);
    setTabOrder(StartButton, CancelButton);
}

void OverHangForm::Form_Load()
{
    centreOnScreen(this);
    // The list stands on the drive of the current directory (or on the drive it was given).
    m_driveText = Drive1->mountPoint();
}

void OverHangForm::Drive1_GotFocus()
{
    m_driveText = Drive1->mountPoint();
}

void OverHangForm::Drive1_Change()
{
    // The drive answers when its geometry can be read; the query is bounded, so a dead share is
    // reported instead of freezing the window. The process's current directory is left alone.
    keepReachableDrive(*Drive1, m_driveText, m_host,
                       [this](const QByteArray& drive) { return m_geometry.query(drive).has_value(); });
}

void OverHangForm::StartButton_Click()
{
    AppState& program = m_host.program();
    if (!StartButton->isEnabled() || program.SearchState == SearchState::Running)
        return;
    Drive1->setEnabled(false);
    const std::optional<DiskGeometry> geometry = m_geometry.query(m_driveText);
    const QByteArray start = resolveFolder(m_driveText);
    if (!geometry || geometry->clusterSize() == 0 || start.isEmpty()) {
        failStart();
        return;
    }
    StartButton->setEnabled(false);
    m_tally = OverhangTally(geometry->clusterSize());
    // The files scanned are counted from this search's first file, whatever ran before it.
    m_host.run().FilesMatched = 0;
    m_host.letMessagesBeProcessed();

    // Every file and folder, hidden ones too; the walk stays on the drive's own file system.
    WalkOptions options;
    options.start = start;
    options.files = FileClass::All;
    options.dirs = DirClass::All;
    options.statFiles = true;
    WorkingLabel->show();
    Hooks hooks(*this);
    const WalkResult result = m_host.SearchDrive(options, hooks);
    m_host.letMessagesBeProcessed();
    if (program.SearchState != SearchState::Ended)
        return;
    finishSearch(result);
}

void OverHangForm::Hanger(const WalkFile& file)
{
    // The walk's own lstat; a file that vanished since the listing has none and adds nothing.
    if (file.info)
        m_tally.add(*file.info);
}

void OverHangForm::finishSearch(const WalkResult& result)
{
    RunValues& run = m_host.run();
    m_host.finishProgress(12);
    m_host.letMessagesBeProcessed();
    setScreenPointer(1);

    const WastedShare share = m_tally.share();
    Percentage->resize(tw(qRound(share.barTwips())), Percentage->height());
    ShowPercent->setText(wastedPercentText(share.wastedPercent));

    CancelButton->setText(QStringLiteral("&Done"));
    WorkingLabel->hide();
    // The walk driver printed the last running figures as it ended.
    run.FilesMatched = 0;
    m_host.ShowStatus(QStringLiteral("Done."));

    for (QWidget* w :
         {static_cast<QWidget*>(Label3[0]), static_cast<QWidget*>(Label4[0]), static_cast<QWidget*>(Label3[1]),
          static_cast<QWidget*>(Label4[6]), static_cast<QWidget*>(Label4[5]), static_cast<QWidget*>(DummyFlood),
          static_cast<QWidget*>(ShowPercent), static_cast<QWidget*>(Percentage)})
        w->show();
    m_host.letMessagesBeProcessed();
    m_surface->printAt(kClusterX, kClusterY, clusterSizeText(m_tally.clusterSize()));
    m_surface->printAt(kWastedX, kWastedY, kilobytesText(m_tally.totalWasted()));

    if (result.end == WalkEnd::Error) {
        // The figures cover only the files before the failure: say so rather than present them
        // as the whole drive's.
        msgBox(QStringLiteral("The search could not be completed: %1 The files after that point were not counted.")
                   .arg(endSentence(result.reason)),
               MsgExclamation);
    }
}

void OverHangForm::failStart()
{
    setScreenPointer(1);
    msgBox(notEnoughMemoryText(), MsgExclamation);
    // Nothing was searched: the user may pick another drive and try again.
    Drive1->setEnabled(true);
}

void OverHangForm::printRunningFigures()
{
    m_surface->printAt(kFilesX, kFilesY, filesScannedText(std::uint64_t(m_host.run().FilesMatched)));
    m_surface->printAt(kSizesX, kSizesY, kilobytesText(m_tally.totalFileSizes()));
    m_surface->printAt(kUsedX, kUsedY, kilobytesText(m_tally.actualSpaceUsed()));
    m_surface->printAt(kClusterX, kClusterY, clusterSizeText(m_tally.clusterSize()));
}

void OverHangForm::CancelButton_Click()
{
    if (m_host.program().SearchState == SearchState::Running) {
        if (msgBox(QStringLiteral("Do you really want to cancel the search?"), MsgQuestion) == AnswerYes)
            m_host.program().StopRequested = true;
        return;
    }
    close();
}

void OverHangForm::reject()
{
    // Escape closes the window the way its close box does, question included.
    close();
}

void OverHangForm::closeEvent(QCloseEvent* event)
{
    Form_QueryUnload(event);
    if (!event->isAccepted())
        return;
    // Hidden, not destroyed: a walk below us on the stack still finishes its closing steps on
    // this window; the opener releases it once the walk has returned.
    done(QDialog::Rejected);
}

void OverHangForm::Form_QueryUnload(QCloseEvent* event)
{
    event->accept();
    if (m_host.program().SearchState != SearchState::Running)
        return;
    if (msgBox(QStringLiteral("A search is currently in progress. Do you wish to cancel it?"), MsgQuestion) !=
        AnswerYes) {
        event->ignore();
        return;
    }
    m_host.program().StopRequested = true;
    m_host.letMessagesBeProcessed();
}

bool OverHangForm::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseMove) {
        if (watched == CancelButton)
            setScreenPointer(1); // Cancel stays usable during a search
        else if (watched == m_surface && m_surface->childAt(static_cast<QMouseEvent*>(event)->position().toPoint()) !=
                                             CancelButton) // a move Cancel passed on to its parent
            setScreenPointer(m_host.program().SearchState == SearchState::Running ? 11 : 1);
    }
    return QDialog::eventFilter(watched, event);
}

void openOverhang(PanelHost& host, DiskGeometrySource& geometry)
{
    OverHangForm window(host, geometry);
    window.Form_Load();
    window.exec();
}

} // namespace bv
