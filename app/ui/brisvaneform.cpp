#include "app/ui/brisvaneform.h"

#include "app/format.h"
#include "app/ui/iconbar.h"
#include "app/ui/logfileframe.h"
#include "platform/desktop.h"
#include "platform/messages.h"
#include "platform/paths.h"
#include "platform/twips.h"
#include "platform/ui/messagebox_qt.h"
#include "search/ui/filesearchframe.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QStandardPaths>
#include <QVBoxLayout>

#include <algorithm>
#include <cstring>

namespace bv {

namespace {

constexpr int kClientWidth = 6690;
constexpr int kClientHeight = 6060;
constexpr int kStatusX = 40;
constexpr int kStatusY = 5830;
constexpr int kYieldEveryMs = 8;    // clicks and Cancel answered well within 50 ms

const QColor kGrey(0xC0, 0xC0, 0xC0);
const QColor kDarkGrey(0x80, 0x80, 0x80);
const QColor kRed(0xFF, 0x00, 0x00);

QFont arial(double points, bool bold = false)
{
    QFont f(QStringLiteral("Liberation Sans"));
    f.setStyleHint(QFont::SansSerif);
    f.setPointSizeF(points);
    f.setBold(bold);
    return f;
}

// The window's client area: the status strip's boxes and the icon bar's frame are drawn here,
// and the status line is printed onto it.
class ClientSurface : public PrintSurface
{
public:
    using PrintSurface::PrintSurface;

protected:
    void paintBackground(QPainter& p) override
    {
        auto sunken = [&p](int x1, int y1, int x2, int y2) {
            const QRect r(twPoint(x1, y1), twPoint(x2, y2));
            p.setPen(kDarkGrey);
            p.drawLine(r.topLeft(), r.topRight());
            p.drawLine(r.topLeft(), r.bottomLeft());
            p.setPen(Qt::white);
            p.drawLine(r.bottomLeft(), r.bottomRight());
            p.drawLine(r.topRight(), r.bottomRight());
        };
        p.setPen(kDarkGrey);
        p.drawLine(twPoint(0, 0), twPoint(kClientWidth, 0));
        p.setPen(Qt::white);
        p.drawLine(twPoint(0, 525), twPoint(kClientWidth, 525));
        sunken(15, 5820, 5100, 6045);
        sunken(5145, 5820, 6660, 6045);
    }
};

// The tools windows that are not built yet say so plainly instead of doing nothing.
void showNotBuilt(QWidget* parent, const QString& caption)
{
    QDialog dialog(parent);
    dialog.setObjectName(QStringLiteral("NotBuiltYet"));
    dialog.setWindowTitle(caption);
    auto* layout = new QVBoxLayout(&dialog);
    auto* text = new QLabel(QStringLiteral("%1 is not built yet in this version of Brisvane.").arg(caption), &dialog);
    layout->addWidget(text);
    auto* ok = new QPushButton(QStringLiteral("OK"), &dialog);
    QObject::connect(ok, &QPushButton::clicked, &dialog, &QDialog::accept);
    layout->addWidget(ok, 0, Qt::AlignRight);
    dialog.exec();
}

} // namespace

BrisvaneForm::BrisvaneForm(AppState& state, QWidget* parent) : QMainWindow(parent), m_state(state)
{
    setObjectName(QStringLiteral("brisvaneform"));
    setWindowTitle(QStringLiteral("Brisvane!"));
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    setFont(arial(8.25));
    setWindowIcon(drawAppIcon());
    buildMenus();
    buildClient();
    m_statusClock.start();
    m_yieldClock.start();
}

BrisvaneForm::~BrisvaneForm() = default;

void BrisvaneForm::buildMenus()
{
    auto add = [this](QMenu* menu, const char* name, const QString& caption, const QKeySequence& key,
                      void (BrisvaneForm::*slot)()) {
        QAction* a = menu->addAction(caption);
        a->setObjectName(QString::fromLatin1(name));
        if (!key.isEmpty()) {
            a->setShortcut(key);
            a->setShortcutContext(Qt::ApplicationShortcut);
        }
        connect(a, &QAction::triggered, this, slot);
        return a;
    };
    auto separator = [](QMenu* menu, const char* name) { menu->addSeparator()->setObjectName(QString::fromLatin1(name)); };

    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    file->setObjectName(QStringLiteral("FileMenu"));
    add(file, "OpenLog", QStringLiteral("&Open Log File..."), QKeySequence(Qt::CTRL | Qt::Key_O),
        &BrisvaneForm::LogFileIcon_Click);
    separator(file, "dummy3");
    add(file, "PrintOption", QStringLiteral("&Print"), QKeySequence(Qt::CTRL | Qt::Key_P),
        &BrisvaneForm::PrintIcon_Click);
    separator(file, "dummy1");
    add(file, "ExitOption", QStringLiteral("&Exit"), {}, &BrisvaneForm::ExitOption_Click);

    QMenu* tools = menuBar()->addMenu(QStringLiteral("&Tools"));
    tools->setObjectName(QStringLiteral("ToolsMenu"));
    add(tools, "FileSearchOption", QStringLiteral("File &Search"), QKeySequence(Qt::Key_F2),
        &BrisvaneForm::FileSearchIcon_Click);
    add(tools, "NewFilesOption", QStringLiteral("Find &Duplicates"), QKeySequence(Qt::Key_F3),
        &BrisvaneForm::NewFilesIcon_Click);
    add(tools, "DiskSpaceOption", QStringLiteral("D&isk Space..."), QKeySequence(Qt::Key_F4),
        &BrisvaneForm::DiskSpaceOption_Click);
    add(tools, "ClusterOption", QStringLiteral("Cluster Over&hang..."), QKeySequence(Qt::Key_F5),
        &BrisvaneForm::ClusterOption_Click);
    add(tools, "QuickCleanOption", QStringLiteral("&Quick Clean..."), QKeySequence(Qt::Key_F6),
        &BrisvaneForm::QuickCleanOption_Click);
    separator(tools, "dummy5");
    add(tools, "RefreshOption", QStringLiteral("&Refresh"), QKeySequence(Qt::Key_F7),
        &BrisvaneForm::RefreshOption_Click);

    QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
    help->setObjectName(QStringLiteral("HelpMenu"));
    add(help, "ContentsMenu", QStringLiteral("&Help Contents"), QKeySequence(Qt::Key_F1),
        &BrisvaneForm::HelpIcon_Click);
    separator(help, "dummy2");
    add(help, "AboutOption", QStringLiteral("About"), {}, &BrisvaneForm::AboutOption_Click);
}

void BrisvaneForm::buildClient()
{
    m_client = new ClientSurface(this);
    m_client->setObjectName(QStringLiteral("client"));
    m_client->setBackColor(kGrey);
    m_client->setForeColor(kDarkGrey);
    m_client->setFont(font());
    m_client->setFixedSize(twSize(kClientWidth, kClientHeight));
    m_client->installEventFilter(this);
    setCentralWidget(m_client);

    m_bars[0] = drawIconBar(IconBarLook::AllEnabled);
    m_bars[1] = drawIconBar(IconBarLook::AllDisabled);
    m_bars[2] = drawIconBar(IconBarLook::PrintEnabled);
    m_iconFrame = new QLabel(m_client);
    m_iconFrame->setObjectName(QStringLiteral("IconFrame"));
    m_iconFrame->setGeometry(twRect(-15, 0, 6720, 525));
    m_iconFrame->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_iconFrame->setPixmap(m_bars[0]);

    struct IconSpec
    {
        QLabel** label;
        const char* name;
        QRect rect;
        const char* help;
        void (BrisvaneForm::*click)();
    };
    const IconSpec icons[] = {
        {&m_fileSearchIcon, "FileSearchIcon", twRect(30, 30, 1290, 495),
         "Search for files matching a specific criteria", &BrisvaneForm::FileSearchIcon_Click},
        {&m_newFilesIcon, "NewFilesIcon", twRect(1365, 15, 1290, 495),
         "View files installed or modified since last scan", &BrisvaneForm::NewFilesIcon_Click},
        {&m_logFileIcon, "LogFileIcon", twRect(2715, 30, 1290, 495), "Open log file",
         &BrisvaneForm::LogFileIcon_Click},
        {&m_printIcon, "PrintIcon", twRect(4050, 30, 1290, 495), "Print log file and search results",
         &BrisvaneForm::PrintIcon_Click},
        {&m_helpIcon, "HelpIcon", twRect(5370, 15, 1290, 495), "View help contents", &BrisvaneForm::HelpIcon_Click},
    };
    for (const IconSpec& spec : icons) {
        auto* label = new ClickLabel(m_client);
        label->setObjectName(QString::fromLatin1(spec.name));
        label->setGeometry(spec.rect);
        label->setAttribute(Qt::WA_TranslucentBackground);
        label->setToolTip(QString::fromLatin1(spec.help));
        label->setProperty("helpText", QString::fromLatin1(spec.help));
        label->setMouseTracking(true);
        label->installEventFilter(this);
        connect(label, &ClickLabel::clicked, this, spec.click);
        *spec.label = label;
    }

    m_backround = new QLabel(m_client);
    m_backround->setObjectName(QStringLiteral("Backround"));
    m_backround->setGeometry(twRect(15, 570, 6660, 5145));
    m_backround->setAutoFillBackground(true);
    m_backround->setFrameStyle(QFrame::Box | QFrame::Plain);
    QPalette bp = m_backround->palette();
    bp.setColor(QPalette::Window, kDarkGrey);
    bp.setColor(QPalette::WindowText, Qt::black);
    m_backround->setPalette(bp);

    m_fileSearchFrame = new FileSearchFrame(*this, m_client);
    m_fileSearchFrame->setGeometry(twRect(15, 570, 6660, 5141));
    m_fileSearchFrame->setBackColor(Qt::white);
    m_fileSearchFrame->setForeColor(kRed);
    m_fileSearchFrame->setFont(arial(8.25, true));
    m_fileSearchFrame->setMouseTracking(true);
    m_fileSearchFrame->installEventFilter(this);
    m_fileSearchFrame->hide();

    m_dupFilesFrame = new PrintSurface(m_client);
    m_dupFilesFrame->setObjectName(QStringLiteral("DupFilesFrame"));
    m_dupFilesFrame->setGeometry(twRect(15, 570, 6660, 5145));
    m_dupFilesFrame->setBackColor(Qt::white);
    m_dupFilesFrame->setForeColor(kRed);
    m_dupFilesFrame->setFont(arial(8.25, true));
    m_dupFilesFrame->setMouseTracking(true);
    m_dupFilesFrame->installEventFilter(this);
    m_dupFilesFrame->hide();
    {
        // Until the duplicate finder is built its panel says so, and Cancel leaves it.
        auto* notice = new QLabel(QStringLiteral("Find Duplicates is not built yet in this version of Brisvane."),
                                  m_dupFilesFrame);
        notice->setObjectName(QStringLiteral("NotBuiltYet"));
        notice->setGeometry(twRect(90, 450, 6400, 255));
        auto* cancel = new QPushButton(QStringLiteral("&Cancel"), m_dupFilesFrame);
        cancel->setObjectName(QStringLiteral("dCancelButton"));
        cancel->setGeometry(twRect(5430, 4605, 1125, 405));
        connect(cancel, &QPushButton::clicked, this, &BrisvaneForm::dCancelButton_Click);
    }

    // The log panel lies above the file-search panel: it covers it while that stays visible.
    m_logFileFrame = new LogFileFrame(*this, m_client);
    m_logFileFrame->setGeometry(twRect(15, 570, 6660, 5145));
    m_logFileFrame->hide();
    m_logFileFrame->raise();

    m_floodLabel = new QLabel(m_client);
    m_floodLabel->setObjectName(QStringLiteral("FloodLabel"));
    m_floodLabel->setGeometry(twRect(5160, 5865, 1515, 150));
    QFont terminal(QStringLiteral("Monospace"));
    terminal.setStyleHint(QFont::Monospace);
    terminal.setPointSizeF(9);
    terminal.setBold(true);
    m_floodLabel->setFont(terminal);
    QPalette fp = m_floodLabel->palette();
    fp.setColor(QPalette::WindowText, kDarkGrey);
    m_floodLabel->setPalette(fp);
    m_floodLabel->setToolTip(QStringLiteral("Displays function status"));
    m_floodLabel->setProperty("helpText", QStringLiteral("Displays function status"));
    m_floodLabel->setMouseTracking(true);
    m_floodLabel->installEventFilter(this);

    // HelpMan and DummyText lie outside the client area: never seen, but they exist.
    const QString productLine = QStringLiteral("Brisvane v3.0 - 2026");
    m_helpMan = new QLabel(productLine, m_client);
    m_helpMan->setObjectName(QStringLiteral("HelpMan"));
    m_helpMan->setGeometry(twRect(8280, 5880, 4935, 150));
    m_helpMan->setProperty("helpText", productLine);

    m_dummyText = new QLineEdit(QStringLiteral("This is a dummy textbox"), m_client);
    m_dummyText->setObjectName(QStringLiteral("DummyText"));
    m_dummyText->setGeometry(twRect(8415, 5460, 1215, 375));

    m_client->adjustSize();
}

void BrisvaneForm::Form_Load()
{
    // Place the window: centred horizontally, 10 twips from the top; the size stays.
    adjustSize();
    setFixedSize(sizeHint());
    if (QScreen* screen = QApplication::primaryScreen()) {
        const QRect avail = screen->geometry();
        move(avail.x() + (avail.width() - frameGeometry().width()) / 2, avail.y() + tw(10));
    }
    show();
    letMessagesBeProcessed();
    focusDummy();
    setScreenPointer(1);
    m_client->printAt(kStatusX, kStatusY, QStringLiteral("Brisvane Disk Clean-Up v3.0"));
}

void BrisvaneForm::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    // The outer size is fixed: a resize by the border snaps back (a minimized window is left alone).
    if (!isMinimized() && !isMaximized() && minimumSize() != QSize(0, 0) && size() != minimumSize())
        resize(minimumSize());
}

void BrisvaneForm::paintEvent(QPaintEvent* event)
{
    QMainWindow::paintEvent(event);
}

bool BrisvaneForm::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_client && event->type() == QEvent::Paint) {
        RefreshOption_Click();
        return false;
    }
    if (event->type() == QEvent::MouseMove) {
        const QVariant help = watched->property("helpText");
        if (help.isValid())
            m_helpMan->setText(help.toString());
        if (watched == m_helpIcon) {
            setScreenPointer(1);
        } else if (watched == m_fileSearchFrame) {
            if (m_state.SearchState == SearchRunning)
                setScreenPointer(11);
            else
                printStatusRaw(QString(105, QLatin1Char(' ')));
        } else if (watched == m_dupFilesFrame) {
            if (m_state.SearchState == SearchRunning)
                setScreenPointer(11);
            else if (m_state.SearchState != SearchReviewing)
                printStatusRaw(QString(105, QLatin1Char(' ')));
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

QAction* BrisvaneForm::action(const QString& objectName) const
{
    return findChild<QAction*>(objectName);
}

quint8 BrisvaneForm::LockCommands(bool locked)
{
    const bool on = !locked;
    m_iconBarState = locked ? 1 : 0;
    m_iconFrame->setPixmap(m_bars[m_iconBarState]);
    for (QLabel* icon : {m_fileSearchIcon, m_newFilesIcon, m_logFileIcon, m_printIcon})
        icon->setEnabled(on);
    for (const char* name : {"OpenLog", "PrintOption", "FileSearchOption", "NewFilesOption", "DiskSpaceOption",
                             "ClusterOption", "QuickCleanOption"})
        action(QString::fromLatin1(name))->setEnabled(on);
    return 0;
}

void BrisvaneForm::ShowLogViewCommands()
{
    for (QLabel* icon : {m_fileSearchIcon, m_newFilesIcon, m_logFileIcon})
        icon->setEnabled(false);
    for (const char* name : {"QuickCleanOption", "ClusterOption", "DiskSpaceOption"})
        action(QString::fromLatin1(name))->setEnabled(false);
    m_printIcon->setEnabled(true);
    m_iconBarState = 2;
    m_iconFrame->setPixmap(m_bars[2]);
    action(QStringLiteral("OpenLog"))->setEnabled(false);
    action(QStringLiteral("PrintOption"))->setEnabled(true);
    action(QStringLiteral("FileSearchOption"))->setEnabled(false);
    action(QStringLiteral("NewFilesOption"))->setEnabled(false);
}

void BrisvaneForm::myRefresh(bool xValue)
{
    PrintSurface* target = xValue ? static_cast<PrintSurface*>(m_fileSearchFrame) : m_dupFilesFrame;
    // A number is printed as a leading blank or minus sign, its digits, then one blank.
    auto print = [target](int x, int y, std::int64_t value) { target->printAt(x, y, numText(value) + QLatin1Char(' ')); };
    print(2260, 4640, m_state.FilesRemoved);
    print(2260, 4290, m_state.FilesChecked);
    print(5320, 4285, m_state.BytesReclaimed);
    print(4390, 3940, m_state.FilesMatched);
}

void BrisvaneForm::RefreshOption_Click()
{
    if (m_fileSearchFrame->isVisible())
        myRefresh(true);
    if (m_dupFilesFrame->isVisible())
        myRefresh(false);
}

QString BrisvaneForm::fitStatus(const QString& text) const
{
    // Padded with pairs of blanks until wider than 4899 twips, or cut until narrower than 4801
    // and ended with "...". Measuring is the costly part, so both loops start from an estimate
    // and then only correct it by a step or two.
    const QFontMetrics fm(m_client->font());
    auto widthTwips = [&fm](const QString& t) { return fm.horizontalAdvance(t) * kTwipsPerPixel; };
    QString out = text;
    const int width = widthTwips(out);
    if (width < 4800) {
        const int pair = std::max(1, widthTwips(QStringLiteral("  ")));
        const int pairs = std::max(0, (4899 - width) / pair - 1);
        out += QString(2 * pairs, QLatin1Char(' '));
        while (widthTwips(out) <= 4899)
            out += QStringLiteral("  ");
        return out;
    }
    // Largest prefix narrower than 4801 twips, by bisection over the prefix length.
    qsizetype lo = 0, hi = out.size();
    while (lo < hi) {
        const qsizetype mid = (lo + hi + 1) / 2;
        if (widthTwips(out.left(mid)) < 4801)
            lo = mid;
        else
            hi = mid - 1;
    }
    out.truncate(lo);
    return out + QStringLiteral("...");
}

void BrisvaneForm::ShowStatus(const QString& text)
{
    m_pendingStatus = text;
    m_pendingIsPath = false;
    m_statusDirty = true;
    // Outside a walk every line is shown at once; during a walk at most ~30 times a second.
    if (m_state.SearchState != SearchRunning || m_statusClock.elapsed() >= kStatusPaintMs)
        flushStatus();
}

void BrisvaneForm::flushStatus()
{
    if (!m_statusDirty)
        return;
    m_statusDirty = false;
    m_statusClock.restart();
    if (m_pendingIsPath)
        m_pendingStatus = displayPath(m_pendingPath);
    m_pendingIsPath = false;
    m_client->printAt(kStatusX, kStatusY, fitStatus(m_pendingStatus));
}

void BrisvaneForm::showStatusPath(const QByteArray& path)
{
    // Copy into our own buffer: sharing the walk's buffer would make the walk copy it on its
    // next change, an allocation per file.
    m_pendingPath.resize(path.size());
    std::memcpy(m_pendingPath.data(), path.constData(), size_t(path.size()));
    m_pendingIsPath = true;
    m_statusDirty = true;
    if (m_state.SearchState != SearchRunning || statusDue())
        flushStatus();
}

void BrisvaneForm::printStatusRaw(const QString& text)
{
    m_statusDirty = false;
    m_client->printAt(kStatusX, kStatusY, text);
}

QString BrisvaneForm::statusText() const
{
    return m_client->printedAt(kStatusX, kStatusY);
}

void BrisvaneForm::appendFlood(int blocks)
{
    m_floodLabel->setText(m_floodLabel->text() + QString(blocks, QChar(0x2592)));
}

void BrisvaneForm::clearFlood()
{
    m_floodLabel->clear();
}

QString BrisvaneForm::floodText() const
{
    return m_floodLabel->text();
}

void BrisvaneForm::letMessagesBeProcessed()
{
    QCoreApplication::processEvents();
    m_yieldClock.restart();
}

void BrisvaneForm::yieldToEvents()
{
    if (m_yieldClock.elapsed() < kYieldEveryMs)
        return;
    if (m_statusDirty && m_statusClock.elapsed() >= kStatusPaintMs)
        flushStatus();
    letMessagesBeProcessed();
}

void BrisvaneForm::focusDummy()
{
    m_dummyText->setFocus(Qt::OtherFocusReason);
}

namespace {

// Adapts a feature's hooks to the walk, adding what every walk shows: the status line, the
// progress strip and the FilesMatched counter.
class DriveHooks : public WalkHooks
{
public:
    DriveHooks(BrisvaneForm& form, FeatureHooks& feature) : m_form(form), m_feature(feature)
    {
        m_counterClock.start();
    }

    bool stopRequested() override { return m_form.state().StopRequested; }
    void yield() override { m_form.yieldToEvents(); }

    void started(int topLevelFolders) override
    {
        // The listing count includes the list's own end, as the step has always been computed.
        AppState& s = m_form.state();
        s.ProgressStep = int(bankersDivide(std::int64_t(topLevelFolders) + 1, 11));
        s.TopLevelSeen = 0;
    }

    void folderEntered(const WalkFolder& folder) override
    {
        AppState& s = m_form.state();
        if (folder.depth == 1) {
            ++s.TopLevelSeen;
            // ">=" and not "==": a count that ever passed the step must still move the bar.
            if (s.ProgressStep > 0 && s.TopLevelSeen >= s.ProgressStep) {
                s.TopLevelSeen = 0;
                m_form.appendFlood(1);
            }
        }
        m_form.showStatusPath(folder.path);
    }

    bool handleFolder(const WalkFolder& folder) override { return m_feature.handleFolder(folder); }

    void file(const WalkFile& file) override
    {
        m_form.showStatusPath(file.path);
        m_form.yieldToEvents();
        m_feature.file(file);
        ++m_form.state().FilesMatched;
        // The counter is repainted at the status line's rate; the last value is always printed.
        if (m_counterClock.elapsed() >= 33) {
            m_counterClock.restart();
            printCounter();
        }
        m_form.yieldToEvents();
    }

    void printCounter()
    {
        if (PrintSurface* panel = m_feature.counterPanel())
            panel->printAt(4390, 3940, numText(m_form.state().FilesMatched) + QLatin1Char(' '));
    }

    void folderError(const QByteArray& path, int errnoValue) override { m_feature.folderError(path, errnoValue); }

private:
    BrisvaneForm& m_form;
    FeatureHooks& m_feature;
    QElapsedTimer m_counterClock;
};

} // namespace

WalkResult BrisvaneForm::SearchDrive(const WalkOptions& options, FeatureHooks& hooks)
{
    DriveHooks drive(*this, hooks);
    m_state.StopRequested = false;
    setScreenPointer(11);
    m_state.SearchState = SearchRunning;
    WalkResult result = walkTree(options, drive);
    m_state.SearchState = SearchEnded;
    flushStatus();
    drive.printCounter();
    return result;
}

void BrisvaneForm::FileSearchIcon_Click()
{
    if (!m_fileSearchIcon->isEnabled() && !action(QStringLiteral("FileSearchOption"))->isEnabled())
        return;
    focusDummy();
    LockCommands(true);
    m_fileSearchFrame->show();
}

void BrisvaneForm::NewFilesIcon_Click()
{
    if (!m_newFilesIcon->isEnabled() && !action(QStringLiteral("NewFilesOption"))->isEnabled())
        return;
    LockCommands(true);
    m_dupFilesFrame->show();
    m_dupFilesFrame->raise();
    m_logFileFrame->raise();
    letMessagesBeProcessed();
    focusDummy();
}

void BrisvaneForm::LogFileIcon_Click()
{
    if (!action(QStringLiteral("OpenLog"))->isEnabled())
        return;
    m_logFileFrame->LogFileIcon_Click();
}

void BrisvaneForm::PrintIcon_Click()
{
    if (!action(QStringLiteral("PrintOption"))->isEnabled())
        return;
    m_logFileFrame->PrintIcon_Click();
}

QByteArray BrisvaneForm::helpDocumentPath()
{
    const QString name = QStringLiteral("brisvane-help.html");
    const QString beside = QCoreApplication::applicationDirPath() + QLatin1Char('/') + name;
    if (QFileInfo::exists(beside))
        return QFile::encodeName(beside);
    const QString installed = QCoreApplication::applicationDirPath() + QStringLiteral("/../share/brisvane/") + name;
    if (QFileInfo::exists(installed))
        return QFile::encodeName(QFileInfo(installed).canonicalFilePath());
    return QFile::encodeName(beside);
}

void BrisvaneForm::HelpIcon_Click()
{
    // A missing help document or browser is not reported, as with any help file.
    openWithDefaultApp(helpDocumentPath());
    letMessagesBeProcessed();
    focusDummy();
}

void BrisvaneForm::AboutOption_Click()
{
    const QString text = QString(22, QLatin1Char(' ')) + QStringLiteral("BRISVANE VERSION 3.0.1") +
                         QString(23, QLatin1Char(' ')) + QStringLiteral("\n\r") + QString(44, QLatin1Char('_'));
    msgBox(text, MsgPlain, QStringLiteral("About"));
}

void BrisvaneForm::ExitOption_Click()
{
    close();
}

void BrisvaneForm::DiskSpaceOption_Click()
{
    if (!action(QStringLiteral("DiskSpaceOption"))->isEnabled())
        return;
    showNotBuilt(this, QStringLiteral("Disk Space"));
}

void BrisvaneForm::ClusterOption_Click()
{
    if (!action(QStringLiteral("ClusterOption"))->isEnabled())
        return;
    m_state.OverhangMode = true;
    showNotBuilt(this, QStringLiteral("Cluster Overhang"));
    m_state.OverhangMode = false;
}

void BrisvaneForm::QuickCleanOption_Click()
{
    if (!action(QStringLiteral("QuickCleanOption"))->isEnabled())
        return;
    showNotBuilt(this, QStringLiteral("Quick Clean"));
}

void BrisvaneForm::CancelButton_Click()
{
    m_fileSearchFrame->ResetFileSearch();
    LockCommands(false);
    m_fileSearchFrame->hide();
}

void BrisvaneForm::dCancelButton_Click()
{
    m_dupFilesFrame->clearPrints();
    m_dupFilesFrame->hide();
    LockCommands(false);
}

void BrisvaneForm::closeEvent(QCloseEvent* event)
{
    Form_QueryUnload(event);
    if (!event->isAccepted())
        return;
    Form_Unload();
}

void BrisvaneForm::Form_QueryUnload(QCloseEvent* event)
{
    event->accept();
    if (m_state.SearchState != SearchRunning)
        return;
    const int answer = msgBox(QStringLiteral("A search is currently in progress, are you sure you want to quit?"),
                              MsgQuestionDefaultNo);
    if (answer != AnswerYes) {
        event->ignore();
        return;
    }
    // The walk is below us on the stack: it sees the request before its next file, so nothing
    // more is removed; the search then closes its log, and the program ends when control gets
    // back to the event loop.
    m_state.StopRequested = true;
}

void BrisvaneForm::Form_Unload()
{
    if (m_closing)
        return;
    m_closing = true;
    if (!m_state.AppFolder.isEmpty()) {
        QFile::remove(QFile::decodeName(joinPath(m_state.AppFolder, "temp.bv")));
        QFile::remove(QFile::decodeName(joinPath(m_state.AppFolder, "temp.doc")));
    }
    letMessagesBeProcessed();
    QCoreApplication::quit();
}

} // namespace bv
