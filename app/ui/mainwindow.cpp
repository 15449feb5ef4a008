// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ui/mainwindow.h"

#include "common/commandline.h"
#include "common/format.h"
#include "app/ui/iconbar.h"
#include "app/ui/logpanel.h"
#include "app/ui/printingnotice.h"
#include "common/ui/layout.h"
#include "platform/desktop.h"
#include "platform/messages.h"
#include "platform/paths.h"
#include "platform/twips.h"
#include "platform/ui/clicklabel.h"
#include "platform/ui/fonts.h"
#include "platform/ui/messagebox_qt.h"
#include "common/recordedremoval.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QTimer>

#include <algorithm>
#include <cstring>
#include <utility>

namespace bv {

namespace {

using namespace bv::layout;

// The keys of the Tools menu work wherever the focus is in the window: a text box would keep
// Ctrl+Z for its own undo, where here it opens Restore Removed Files.
class ToolKeysFirst : public QObject
{
public:
    ToolKeysFirst(QWidget* window, QList<QKeySequence> keys)
        : QObject(window), m_window(window), m_keys(std::move(keys))
    {
    }
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::ShortcutOverride || !watched->isWidgetType() ||
            static_cast<QWidget*>(watched)->window() != m_window)
            return false;
        if (!m_keys.contains(QKeySequence(static_cast<QKeyEvent*>(event)->keyCombination())))
            return false;
        event->ignore(); // not the text box's: the menu's shortcut takes the key
        return true;
    }

private:
    QWidget* m_window;
    QList<QKeySequence> m_keys;
};

constexpr int kClientWidth = 6690;
constexpr int kClientHeight = 6060;
constexpr int kStatusX = 40;
constexpr int kStatusY = 5830;
constexpr int kYieldEveryMs = 8;   // clicks and Cancel answered well within 50 ms
constexpr int kStatusPaintMs = 33; // about 30 repaints a second

constexpr char kProductLine[] = "Brisvane v" BV_VERSION_SHORT " - 2026";
constexpr Font kTerminal9Bold{Family::Terminal, 9, true};

// A click target over the icon bar's picture; what a screen reader says of it is also its tooltip.
constexpr ControlSpec icon(const char* name, TwipRect rect, const char* help)
{
    ControlSpec c{name, Kind::ClickLabel, rect};
    c.spoken = help;
    return c;
}

// The window's client area, as designed: the icon bar's picture with its click targets, the
// grey work area the panels lie on, the progress blocks of the status strip, and two controls
// out of sight: the hover help's line and the text box the keyboard focus rests in whenever no
// control holds it (a screen reader says where the user is and how to go on).
constexpr ControlSpec kControls[] = {
    {"IconFrame", Kind::Label, {-15, 0, 6720, 525}},
    icon("FileSearchIcon", {30, 30, 1290, 495}, "Search for files matching a specific criteria"),
    icon("NewFilesIcon", {1365, 15, 1290, 495}, "Find files with the same name in several folders"),
    icon("LogFileIcon", {2715, 30, 1290, 495}, "Open log file"),
    icon("PrintIcon", {4050, 30, 1290, 495}, "Print log file and search results"),
    icon("HelpIcon", {5370, 15, 1290, 495}, "View help contents"),
    {"Backround", Kind::Box, {15, 570, 6660, 5145}, "", kWindowFont, {kBlack, kDarkGrey}, 0, Border},
    {"FloodLabel", Kind::Label, {5160, 5865, 1515, 150}, "", kTerminal9Bold, {kDarkGrey}},
    {"HelpMan", Kind::Label, {8280, 5880, 4935, 150}, kProductLine},
    {"DummyText", Kind::LineEdit, {8415, 5460, 1215, 375}, "", kWindowFont, {}, 0, Plain, nullptr, "Brisvane"},
};

constexpr LayoutTable kLayout{{"brisvaneform", "Brisvane!", kClientWidth, kClientHeight, kArial825, kLightGrey},
                              kControls};

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
            p.setPen(QColor::fromRgb(kDarkGrey));
            p.drawLine(r.topLeft(), r.topRight());
            p.drawLine(r.topLeft(), r.bottomLeft());
            p.setPen(Qt::white);
            p.drawLine(r.bottomLeft(), r.bottomRight());
            p.drawLine(r.topRight(), r.bottomRight());
        };
        p.setPen(QColor::fromRgb(kDarkGrey));
        p.drawLine(twPoint(0, 0), twPoint(kClientWidth, 0));
        p.setPen(Qt::white);
        p.drawLine(twPoint(0, 525), twPoint(kClientWidth, 525));
        sunken(15, 5820, 5100, 6045);
        sunken(5145, 5820, 6660, 6045);
    }
};

} // namespace

MainWindow::MainWindow(AppState& state, const QList<FeatureEntry>& features, QWidget* parent)
    : QMainWindow(parent), m_state(state), m_statusPacer(kStatusPaintMs), m_yieldPacer(kYieldEveryMs)
{
    setObjectName(QString::fromLatin1(kLayout.form.name));
    setWindowTitle(QString::fromUtf8(kLayout.form.title));
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    setFont(arialFont(8.25));
    setWindowIcon(appIcon());
    for (const FeatureEntry& entry : features)
        m_features.append(Feature{entry});
    buildMenus();
    buildClient();
    QList<QKeySequence> toolKeys;
    for (const Feature& f : m_features)
        if (!f.entry.key.isEmpty())
            toolKeys.append(f.entry.key);
    qApp->installEventFilter(new ToolKeysFirst(this, toolKeys));
}

MainWindow::~MainWindow() = default;

void MainWindow::buildMenus()
{
    auto add = [this](QMenu* menu, const char* name, const QString& caption, const QKeySequence& key,
                      std::function<void()> slot) {
        QAction* a = menu->addAction(caption);
        a->setObjectName(QString::fromLatin1(name));
        if (!key.isEmpty()) {
            a->setShortcut(key);
            a->setShortcutContext(Qt::ApplicationShortcut);
        }
        connect(a, &QAction::triggered, this, std::move(slot));
        return a;
    };
    auto separator = [](QMenu* menu, const char* name) {
        menu->addSeparator()->setObjectName(QString::fromLatin1(name));
    };

    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    file->setObjectName(QStringLiteral("FileMenu"));
    add(file, "OpenLog", QStringLiteral("&Open Log File..."), QKeySequence(Qt::CTRL | Qt::Key_O),
        [this] { openSavedLog(); });
    separator(file, "dummy3");
    add(file, "PrintOption", QStringLiteral("&Print"), QKeySequence(Qt::CTRL | Qt::Key_P), [this] { printLog(); });
    separator(file, "dummy1");
    add(file, "ExitOption", QStringLiteral("&Exit"), {}, [this] { exitProgram(); });

    QMenu* tools = menuBar()->addMenu(QStringLiteral("&Tools"));
    tools->setObjectName(QStringLiteral("ToolsMenu"));
    for (Feature& f : m_features) {
        const QString name = QString::fromLatin1(f.entry.actionName);
        f.action = add(tools, f.entry.actionName, f.entry.caption, f.entry.key, [this, name] { openFeature(name); });
    }
    separator(tools, "dummy5");
    add(tools, "RefreshOption", QStringLiteral("&Refresh"), QKeySequence(Qt::Key_F7), [this] { refreshCounters(); });

    QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
    help->setObjectName(QStringLiteral("HelpMenu"));
    add(help, "ContentsMenu", QStringLiteral("&Help Contents"), QKeySequence(Qt::Key_F1), [this] { openHelp(); });
    separator(help, "dummy2");
    add(help, "AboutOption", QStringLiteral("About"), {}, [this] { showAbout(); });
}

const LayoutTable& MainWindow::layout()
{
    return kLayout;
}

QList<const LayoutTable*> MainWindow::layouts()
{
    return {&kLayout, &LogPanel::layout(), &PrintingNotice::layout()};
}

void MainWindow::buildClient()
{
    m_client = new ClientSurface(this);
    m_client->setBackColor(QColor::fromRgb(kLightGrey));
    m_client->setForeColor(QColor::fromRgb(kDarkGrey));
    m_client->setFont(font());
    m_client->setFixedSize(twSize(kLayout.form.width, kLayout.form.height));
    m_client->setObjectName(QStringLiteral("client"));
    m_client->installEventFilter(this);
    setCentralWidget(m_client);

    const Controls controls = buildLayout(m_client, kLayout);
    for (CommandLook look : {CommandLook::AllEnabled, CommandLook::AllDisabled, CommandLook::PrintEnabled})
        m_bars[int(look)] = drawIconBar(look);
    m_iconBar = controls.get<QLabel>("IconFrame");
    m_iconBar->setPixmap(m_bars[0]);

    // The five click targets over the drawn buttons. The first two open the features that name
    // them in the feature table; the other three are the window's own commands.
    struct IconCommand
    {
        const char* name;
        Command command;
        std::function<void()> click;
    };
    auto featureOf = [this](const char* icon) {
        for (const Feature& f : m_features)
            if (f.entry.iconName && std::strcmp(f.entry.iconName, icon) == 0)
                return QString::fromLatin1(f.entry.actionName);
        return QString();
    };
    const QString firstFeature = featureOf("FileSearchIcon");
    const QString secondFeature = featureOf("NewFilesIcon");
    const IconCommand icons[] = {
        {"FileSearchIcon", Command::Feature, [this, firstFeature] { openFeature(firstFeature); }},
        {"NewFilesIcon", Command::Feature, [this, secondFeature] { openFeature(secondFeature); }},
        {"LogFileIcon", Command::OpenLog, [this] { openSavedLog(); }},
        {"PrintIcon", Command::Print, [this] { printLog(); }},
        {"HelpIcon", Command::HelpContents, [this] { openHelp(); }},
    };
    for (const IconCommand& icon : icons) {
        auto* label = controls.get<ClickLabel>(icon.name);
        // What a screen reader says of the icon is also its tooltip and its hover help.
        const QString help = label->accessibleName();
        label->setAttribute(Qt::WA_TranslucentBackground);
        label->setToolTip(help);
        label->setProperty("helpText", help);
        label->setProperty("command", int(icon.command));
        label->setMouseTracking(true);
        label->installEventFilter(this);
        connect(label, &ClickLabel::clicked, this, icon.click);
        m_icons.append(label);
    }
    m_helpIcon = m_icons.last();
    m_workArea = controls.get<QLabel>("Backround");

    // The log panel covers the work area and lies above every panel: it covers the file-search
    // panel while that stays visible. It exists first, since a panel's reset enables its Save
    // button.
    m_logPanel = new LogPanel(*this, m_client);
    m_logPanel->move(m_workArea->pos());
    m_logPanel->hide();
    m_logPanel->shown = [this] { showLogViewCommands(); };
    m_logPanel->closed = [this] { logViewClosed(); };

    // The panels lie above the grey field, in the order of the table; each starts hidden.
    for (Feature& f : m_features) {
        if (!f.entry.makePanel)
            continue;
        f.panel = f.entry.makePanel(*this, m_client);
        f.panel->widget()->setAccessibleName(QString(f.entry.caption).remove(QLatin1Char('&')));
        f.panel->widget()->hide();
    }
    m_logPanel->raise();

    m_progressBlocks = controls.get<QLabel>("FloodLabel");
    m_progressBlocks->setToolTip(QStringLiteral("Displays function status"));
    m_progressBlocks->setProperty("helpText", QStringLiteral("Displays function status"));
    m_progressBlocks->setMouseTracking(true);
    m_progressBlocks->installEventFilter(this);

    m_hoverHelp = controls.get<QLabel>("HelpMan");
    m_hoverHelp->setProperty("helpText", m_hoverHelp->text());

    m_focusRest = controls.get<QLineEdit>("DummyText");
    m_focusRest->setText(QStringLiteral("This is a dummy textbox"));
    m_focusRest->setAccessibleDescription(
        QStringLiteral("Tab moves to the controls of the open panel; Alt opens the menus."));

    m_client->adjustSize();
}

void MainWindow::showAtStart()
{
    // Place the window: centred horizontally, 10 twips from the top; the size stays. The window
    // manager's frame is known only once the window is shown, so it is placed again then.
    adjustSize();
    setFixedSize(sizeHint());
    placeWindow();
    show();
    letMessagesBeProcessed();
    auto* framed = new QTimer(this);
    framed->setInterval(50);
    connect(framed, &QTimer::timeout, this, [this, framed, tries = 0]() mutable {
        if (frameGeometry().size() != size() || ++tries >= 20) {
            framed->deleteLater();
            placeWindow();
        }
    });
    framed->start();
    focusDummy();
    setScreenPointer(kArrowPointer);
    m_client->printAt(kStatusX, kStatusY, QStringLiteral("Brisvane Disk Clean-Up v" BV_VERSION_SHORT));
}

void MainWindow::placeWindow()
{
    if (QScreen* screen = QApplication::primaryScreen()) {
        const QRect avail = screen->geometry();
        move(avail.x() + (avail.width() - frameGeometry().width()) / 2, avail.y() + tw(10));
    }
}

void MainWindow::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    // The outer size is fixed: a resize by the border snaps back (a minimized window is left alone).
    if (!isMinimized() && !isMaximized() && minimumSize() != QSize(0, 0) && size() != minimumSize())
        resize(minimumSize());
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_client && event->type() == QEvent::Paint) {
        refreshCounters();
        return false;
    }
    if (event->type() == QEvent::MouseMove) {
        const QVariant help = watched->property("helpText");
        if (help.isValid())
            m_hoverHelp->setText(help.toString());
        if (watched == m_helpIcon)
            setScreenPointer(kArrowPointer);
    }
    return QMainWindow::eventFilter(watched, event);
}

QAction* MainWindow::action(const QString& objectName) const
{
    return findChild<QAction*>(objectName);
}

const MainWindow::Feature* MainWindow::feature(const QString& actionName) const
{
    for (const Feature& f : m_features)
        if (QLatin1String(f.entry.actionName) == actionName)
            return &f;
    return nullptr;
}

Panel* MainWindow::panel(const QString& actionName) const
{
    const Feature* f = feature(actionName);
    return f ? f->panel : nullptr;
}

void MainWindow::applyCommands(CommandLook look)
{
    m_look = look;
    m_iconBar->setPixmap(m_bars[int(look)]);
    for (QLabel* icon : m_icons)
        icon->setEnabled(commandEnabled(look, Command(icon->property("command").toInt())));
    const struct
    {
        const char* name;
        Command command;
    } own[] = {{"OpenLog", Command::OpenLog},           {"PrintOption", Command::Print},
               {"ExitOption", Command::Exit},           {"RefreshOption", Command::Refresh},
               {"ContentsMenu", Command::HelpContents}, {"AboutOption", Command::About}};
    for (const auto& item : own)
        action(QString::fromLatin1(item.name))->setEnabled(commandEnabled(look, item.command));
    for (const Feature& f : m_features)
        f.action->setEnabled(f.entry.opensBesideRuns || commandEnabled(look, Command::Feature));
}

void MainWindow::lockCommands(bool locked)
{
    applyCommands(commandLook(locked ? Situation::PanelOpen : Situation::Idle));
}

void MainWindow::showLogViewCommands()
{
    applyCommands(commandLook(Situation::LogView));
}

void MainWindow::refreshCounters()
{
    for (const Feature& f : m_features)
        if (f.panel && f.panel->widget()->isVisible())
            f.panel->reprintCounters();
}

QString MainWindow::fitStatus(const QString& text) const
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

void MainWindow::ShowStatus(const QString& text)
{
    m_pendingStatus = text;
    m_pendingIsPath = false;
    m_statusDirty = true;
    // Outside a walk every line is shown at once; during a walk at most ~30 times a second.
    if (m_state.SearchState != SearchState::Running || m_statusPacer.due())
        flushStatus();
}

void MainWindow::flushStatus()
{
    if (!m_statusDirty)
        return;
    m_statusDirty = false;
    m_statusPacer.restart();
    if (m_pendingIsPath)
        m_pendingStatus = displayPath(m_pendingPath);
    m_pendingIsPath = false;
    m_client->printAt(kStatusX, kStatusY, fitStatus(m_pendingStatus));
}

void MainWindow::showStatusPath(const QByteArray& path)
{
    // Copy into our own buffer: sharing the walk's buffer would make the walk copy it on its
    // next change, an allocation per file.
    m_pendingPath.resize(path.size());
    std::memcpy(m_pendingPath.data(), path.constData(), size_t(path.size()));
    m_pendingIsPath = true;
    m_statusDirty = true;
    if (m_state.SearchState != SearchState::Running || m_statusPacer.due())
        flushStatus();
}

void MainWindow::printStatusRaw(const QString& text)
{
    m_statusDirty = false;
    m_client->printAt(kStatusX, kStatusY, text);
}

QString MainWindow::statusText() const
{
    return m_client->printedAt(kStatusX, kStatusY);
}

void MainWindow::appendFlood(int blocks)
{
    m_progressBlocks->setText(m_progressBlocks->text() + QString(blocks, QChar(0x2592)));
}

void MainWindow::clearFlood()
{
    m_progressBlocks->clear();
}

QString MainWindow::floodText() const
{
    return m_progressBlocks->text();
}

void MainWindow::finishProgress(int blocks)
{
    appendFlood(blocks);
    letMessagesBeProcessed();
    // The full bar stays up for 300 ms; the window is not frozen meanwhile.
    QTimer::singleShot(300, this, [this] {
        if (m_state.SearchState != SearchState::Running)
            clearFlood();
    });
}

void MainWindow::letMessagesBeProcessed()
{
    QCoreApplication::processEvents();
    m_yieldPacer.restart();
}

void MainWindow::yieldToEvents()
{
    if (!m_yieldPacer.due())
        return;
    if (m_statusDirty && m_statusPacer.due())
        flushStatus();
    letMessagesBeProcessed();
}

void MainWindow::setYieldClock(Pacer::Clock clock)
{
    m_yieldPacer = Pacer(kYieldEveryMs, std::move(clock));
}

void MainWindow::setPointer(int pointer)
{
    setScreenPointer(pointer);
}

void MainWindow::focusDummy()
{
    m_focusRest->setFocus(Qt::OtherFocusReason);
}

WalkResult MainWindow::SearchDrive(const WalkOptions& options, FeatureHooks& feature)
{
    return driveWalk(m_state, m_run, options, feature, *this);
}

void MainWindow::openFeature(const QString& actionName)
{
    const Feature* f = feature(actionName);
    if (!f)
        return;
    if (f->entry.opensBesideRuns) {
        // Never in the middle of a run: its walk or its review is waiting for this very loop.
        const SearchState state = m_state.SearchState;
        if (state != SearchState::Running && state != SearchState::Reviewing)
            f->entry.openTool(*this);
        return;
    }
    if (!commandEnabled(m_look, Command::Feature))
        return;
    if (f->entry.openTool) {
        f->entry.openTool(*this);
        return;
    }
    focusDummy();
    lockCommands(true);
    QWidget* w = f->panel->widget();
    w->show();
    w->raise();
    m_logPanel->raise();
    f->panel->opened();
}

void MainWindow::closePanel(Panel& panel)
{
    panel.widget()->hide();
    lockCommands(false);
}

void MainWindow::showWorkingLog(Panel& from)
{
    m_logReturnsTo = &from;
    if (!m_logPanel->showWorkingLog()) {
        m_logReturnsTo = nullptr; // the word-processor path: the panel stays as it was
        return;
    }
    if (from.staysUnderLog())
        from.widget()->setEnabled(false); // covered: it takes no keys until the log closes
    else
        from.widget()->hide();
}

void MainWindow::logViewClosed()
{
    Panel* back = std::exchange(m_logReturnsTo, nullptr);
    if (!back) {
        // A saved log opened from the idle window.
        lockCommands(false);
        m_logPanel->enableSave();
        return;
    }
    lockCommands(true);
    QWidget* w = back->widget();
    w->setEnabled(true);
    w->show();
    letMessagesBeProcessed();
    back->reprintCounters();
    focusDummy();
}

void MainWindow::clearLogText()
{
    m_logPanel->clearText();
}

void MainWindow::enableLogSave()
{
    m_logPanel->enableSave();
}

void MainWindow::openSavedLog()
{
    if (!commandEnabled(m_look, Command::OpenLog))
        return;
    m_logReturnsTo = nullptr;
    m_logPanel->openSavedLog();
}

void MainWindow::printLog()
{
    if (!commandEnabled(m_look, Command::Print))
        return;
    m_logPanel->printLog();
}

QByteArray MainWindow::helpDocumentPath()
{
    return bv::helpDocumentPath();
}

void MainWindow::openHelp()
{
    // Help asked for and nothing coming would leave the user wondering: a missing document or
    // a desktop without a browser is said, with the reason.
    const QByteArray help = helpDocumentPath();
    const OpenOutcome opened = openWithDefaultApp(help);
    if (opened.result != OpenResult::Opened)
        msgBox(openFailureText(QStringLiteral("The help document"), help, opened), MsgExclamation);
    letMessagesBeProcessed();
    focusDummy();
}

void MainWindow::showAbout()
{
    // The classic box, then the copyright and the licence that the program is given under.
    const QString lineBreak = QStringLiteral("\n\r");
    const QString text = QString(22, QLatin1Char(' ')) + QStringLiteral("BRISVANE VERSION ") +
                         QStringLiteral(BV_VERSION) + QString(23, QLatin1Char(' ')) + lineBreak +
                         QString(44, QLatin1Char('_')) + lineBreak + lineBreak +
                         QStringLiteral("Copyright \u00A9 " BV_COPYRIGHT) + lineBreak + lineBreak +
                         QStringLiteral("Free software under the GNU General Public License, version 3 or later") +
                         lineBreak + QStringLiteral("(GPL-3.0-or-later). It comes with ABSOLUTELY NO WARRANTY.");
    msgBox(text, MsgPlain, QStringLiteral("About"));
}

void MainWindow::exitProgram()
{
    close();
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    confirmClose(event);
    if (!event->isAccepted())
        return;
    finishClosing();
}

void MainWindow::confirmClose(QCloseEvent* event)
{
    event->accept();
    if (m_state.SearchState != SearchState::Running || m_quitting)
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

void MainWindow::quitRequested()
{
    if (m_quitting)
        return;
    m_quitting = true;
    // exit(), not quit(): quit() first asks every window to close, which a modal window (the
    // verification window a search waits on) or the question asked about a running search
    // would refuse or hold up. exit() ends every event loop at once, the nested ones of modal
    // windows and message boxes included, and any loop started afterwards returns at once, so
    // no question can wait for an answer. The run below sees the stop request, writes its
    // summary and closes its log; main() then deletes the working files.
    QCoreApplication::exit(0);
    AppState& s = m_state;
    const bool running = s.SearchState == SearchState::Running || s.SearchState == SearchState::Reviewing;
    if (running && s.Log.isOpen() && !s.StopRequested)
        writeRecord(s.Log, {QByteArray("ACTION: Abort Search"), QByteArray()}, s, m_run);
    s.StopRequested = true;
}

void MainWindow::removeWorkingFiles()
{
    if (m_state.AppFolder.isEmpty())
        return;
    QFile::remove(QFile::decodeName(joinPath(m_state.AppFolder, "temp.bv")));
    QFile::remove(QFile::decodeName(joinPath(m_state.AppFolder, "temp.doc")));
}

void MainWindow::finishClosing()
{
    if (m_closing)
        return;
    m_closing = true;
    removeWorkingFiles();
    letMessagesBeProcessed();
    QCoreApplication::quit();
}

} // namespace bv
