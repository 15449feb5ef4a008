#include "disk/ui/diskspace.h"

#include "app/ui/panelhost.h"
#include "disk/diskspace.h"
#include "disk/ui/diskwidgets.h"
#include "platform/messages.h"
#include "platform/twips.h"
#include "platform/ui/fonts.h"
#include "search/ui/drivelist.h"

#include <QLabel>
#include <QPainter>
#include <QPushButton>

#include <tuple>

namespace bv {

using namespace bv::disk;

namespace {

constexpr int kClientWidth = 5175;
constexpr int kClientHeight = 2745;

// A figure: light grey behind black text, its first line level with its caption's.
QLabel* valueLabel(QWidget* parent, const char* name, int left, int top, int width, int height, const QFont& font)
{
    QLabel* l = label(parent, name, QString(), left, top, width, height);
    l->setFont(font);
    l->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    l->setAutoFillBackground(true);
    QPalette p = l->palette();
    p.setColor(QPalette::Window, kLightGrey);
    p.setColor(QPalette::WindowText, Qt::black);
    l->setPalette(p);
    return l;
}

} // namespace

DiskSpace::DiskSpace(PanelHost& host, DiskGeometrySource& geometry, QWidget* parent)
    : QDialog(parent ? parent : host.dialogParent()), m_host(host), m_geometry(geometry)
{
    setObjectName(QStringLiteral("DiskSpace"));
    setWindowTitle(QStringLiteral("Disk Space"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    setFont(arialFont(8.25, true));
    setAutoFillBackground(true);
    QPalette p = palette();
    p.setColor(QPalette::Window, kLightGrey);
    setPalette(p);
    setFixedSize(twSize(kClientWidth, kClientHeight));
    buildControls();
}

void DiskSpace::buildControls()
{
    const QFont big = arialFont(9, true);

    QLabel* driveCaption = label(this, "Dummy0", QStringLiteral("Please specify the drive:"), 45, 135, 2175, 255);
    Drive1 = new DriveList(this);
    Drive1->setObjectName(QStringLiteral("Drive1"));
    driveCaption->setBuddy(Drive1);
    Drive1->setGeometry(twRect(2145, 90, 2205, 330));
    Drive1->reload();
    connect(Drive1, &DriveList::driveChanged, this, [this] { Drive1_Change(); });

    QLabel* capacity = label(this, "Dummy1", QStringLiteral("Total Capacity:"), 45, 645);
    capacity->setFont(big);
    capacity->adjustSize();
    TotalCapacity = valueLabel(this, "TotalCapacity", 1440, 660, 3870, 270, big);

    colourBox(this, "Label3_0", kNavy, 45, 960, 315, 270, true);
    label(this, "Dummy2", QStringLiteral("Free Space:"), 420, 990);
    FSpace = valueLabel(this, "FSpace", 1440, 990, 3675, 270, font());

    colourBox(this, "Label3_1", kOlive, 45, 1260, 315, 270, true);
    label(this, "Dummy3", QStringLiteral("Used Space:"), 420, 1290);
    USpace = valueLabel(this, "USpace", 1440, 1290, 3675, 270, font());

    // The bar: a navy frame (the free part), the olive used part over it and the percentage
    // over both, in that stacking order.
    FloodDummy = colourBox(this, "FloodDummy", kNavy, 255, 1620, 4665, 300, true);
    Flood = colourBox(this, "Flood", kOlive, 285, 1650, 15, 240, false);
    Percentage = label(this, "Percentage", QStringLiteral("0%"), 285, 1665, 4575, 255);
    Percentage->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    QPalette white = Percentage->palette();
    white.setColor(QPalette::WindowText, Qt::white);
    Percentage->setPalette(white);

    for (const auto& [name, text, top] :
         {std::tuple{"Dummy4", "Bytes Per Sector:", 2040}, std::tuple{"Dummy5", "Sectors Per Cluster:", 2295},
          std::tuple{"Dummy6", "Total Clusters:", 2535}}) {
        QLabel* l = label(this, name, QString::fromLatin1(text), 45, top);
        l->setFont(big);
        l->adjustSize();
    }
    BPSector = valueLabel(this, "BPSector", 1875, 2040, 2025, 270, big);
    SPCluster = valueLabel(this, "SPCluster", 1875, 2295, 2025, 270, big);
    TCluster = valueLabel(this, "TCluster", 1875, 2535, 1530, 270, big);

    CloseButton = new QPushButton(QStringLiteral("&Close"), this);
    CloseButton->setObjectName(QStringLiteral("CloseButton"));
    CloseButton->setGeometry(twRect(3990, 2340, 1155, 390));
    CloseButton->setFont(arialFont(8.25));
    CloseButton->setAutoDefault(false);
    connect(CloseButton, &QPushButton::clicked, this, [this] { CloseButton_Click(); });

    setTabOrder(Drive1, CloseButton);
}

void DiskSpace::Form_Load()
{
    centreOnScreen(this);
    // The list already stands on the drive of the current directory.
    ShowDriveSpace(Drive1->mountPoint(), Unanswered::ShowZeros);
}

void DiskSpace::Drive1_Change()
{
    const QByteArray root = Drive1->mountPoint();
    m_host.letMessagesBeProcessed();
    if (!ShowDriveSpace(root, Unanswered::KeepFigures))
        msgBox(QStringLiteral("Cannot access the drive specified."), MsgCritical, QStringLiteral("Error."));
}

void DiskSpace::CloseButton_Click()
{
    close();
}

bool DiskSpace::ShowDriveSpace(const QByteArray& root, Unanswered whenUnanswered)
{
    const std::optional<DiskGeometry> geometry = m_geometry.query(root);
    if (!geometry && whenUnanswered == Unanswered::KeepFigures)
        return false;
    apply(driveSpaceReport(geometry.value_or(DiskGeometry{})));
    return geometry.has_value();
}

void DiskSpace::apply(const DriveSpaceReport& r)
{
    Flood->setVisible(r.barVisible);
    if (r.barWidthTwips)
        Flood->resize(tw(qRound(*r.barWidthTwips)), Flood->height());
    Percentage->setText(r.percentage);
    // A figure is never cut: a large drive's is condensed to fit its box.
    for (const auto& [figure, text] :
         {std::pair{TotalCapacity, &r.totalCapacity}, std::pair{FSpace, &r.freeSpace}, std::pair{USpace, &r.usedSpace},
          std::pair{BPSector, &r.bytesPerSector}, std::pair{SPCluster, &r.sectorsPerCluster},
          std::pair{TCluster, &r.totalClusters}}) {
        figure->setText(*text);
        condenseFigureToFit(figure);
    }
}

void DiskSpace::paintEvent(QPaintEvent* event)
{
    QDialog::paintEvent(event);
    QPainter painter(this);
    paintEtchedLine(painter, 480, 510, 6450);
}

void openDiskSpace(PanelHost& host, DiskGeometrySource& geometry)
{
    DiskSpace window(host, geometry);
    window.Form_Load();
    window.exec();
}

} // namespace bv
