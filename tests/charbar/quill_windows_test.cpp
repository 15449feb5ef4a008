// SPDX-License-Identifier: GPL-3.0-or-later
// Quillbar's windows driven as a user would, with a fake desktop behind the window service and
// scripted message boxes: delivery, the error paths, the menu, dragging, the assignment dialog.
#include "charbar/core/layout.h"
#include "charbar/core/settings.h"
#include "charbar/ui/baroptions.h"
#include "charbar/ui/characterbar.h"
#include "charbar/ui/assigndialog.h"
#include "platform/twips.h"
#include "tests/charbar/fake_window_service.h"
#include "tests/support/scripted_messages.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <memory>

using namespace bv;
using namespace bv::quill;
using bv::quill::test::FakeWindowService;

namespace {

const QString kHost = QStringLiteral("Untitled - Editor");

// Closes the modal dialog the next event loop opens, with Cancel.
void cancelDialogWhenItOpens(int* opened)
{
    QTimer::singleShot(0, [opened] {
        if (auto* form = qobject_cast<AssignDialog*>(QApplication::activeModalWidget())) {
            ++*opened;
            form->onCancelClicked();
        }
    });
}

} // namespace

class QuillWindowsTest : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    std::unique_ptr<FakeWindowService> m_service;
    std::unique_ptr<bv::test::ScriptedMessages> m_boxes;
    std::unique_ptr<CharacterBar> m_bar;

    QString path() const { return m_dir.path() + "/Quillbar/Quillbar.ini"; }

    CharacterBar& makeBar(const QuillSettings& settings)
    {
        m_bar = std::make_unique<CharacterBar>(*m_service, settings, path());
        m_bar->show();
        if (!QTest::qWaitForWindowExposed(m_bar.get()))
            qWarning("bar not exposed");
        return *m_bar;
    }

    QuillSettings usual() const
    {
        QuillSettings s;
        s.hostCaption = kHost;
        s.buttonFont = QApplication::font().family();
        s.codes = {97, 37, 43, 233, 169, 128, 38}; // a % + é © € &, then empty
        return s;
    }

private Q_SLOTS:
    void init()
    {
        m_service = std::make_unique<FakeWindowService>();
        m_service->titles = {"Terminal", kHost, "Untitled - Editor (2)"};
        m_boxes = std::make_unique<bv::test::ScriptedMessages>();
    }

    void cleanup()
    {
        m_bar.reset();
        m_boxes.reset();
        m_service.reset();
    }

    void barHasItsDesignedSizeAndButtons()
    {
        CharacterBar& bar = makeBar(usual());
        QCOMPARE(bar.size(), QSize(tw(kBarClientWidth) + 2 * kBarFrame, tw(kBarHeight)));
        QCOMPARE(bar.characterButtons[3]->focusPolicy(), Qt::NoFocus);
        QVERIFY(bar.windowFlags().testFlag(Qt::WindowDoesNotAcceptFocus));
        QCOMPARE(bar.characterButtons[5]->text(), QStringLiteral("€"));
        QCOMPARE(bar.characterButtons[6]->text(), QStringLiteral("&&")); // the character, not a shortcut
        QCOMPARE(bar.characterButtons[7]->text(), QString());
        QCOMPARE(m_service->prepared, QStringLiteral("a%+é©€&"));
        QVERIFY(!bar.hasOptions()); // created on first reference
        QCOMPARE(bar.pos(), twPoint(kDesignLeft, kDesignTop));
    }

    void leftPressTypesTheCharacterItselfAndMouseUpReactivates_data()
    {
        QTest::addColumn<int>("button");
        QTest::addColumn<QString>("typed");
        QTest::newRow("letter") << 0 << "a";
        QTest::newRow("percent") << 1 << "%";
        QTest::newRow("plus") << 2 << "+";
        QTest::newRow("accented") << 3 << "é";
        QTest::newRow("euro") << 5 << "€";
    }

    void leftPressTypesTheCharacterItselfAndMouseUpReactivates()
    {
        QFETCH(int, button);
        QFETCH(QString, typed);
        CharacterBar& bar = makeBar(usual());
        QTest::mousePress(bar.characterButtons[button], Qt::LeftButton);
        QCOMPARE(m_service->calls, QStringList({"find " + kHost, "activate " + kHost, "type " + typed}));
        QVERIFY(bar.reactivateHost());
        QVERIFY(bar.characterButtons[button]->isDown());
        QCOMPARE(bar.values().currentButton, button);
        QVERIFY(bar.options().topmostTimer->isActive());
        m_service->calls.clear();
        QTest::mouseRelease(bar.characterButtons[button], Qt::LeftButton);
        QCOMPARE(m_service->calls, QStringList({"find " + kHost, "activate " + kHost}));
        QVERIFY(!bar.reactivateHost());
        QVERIFY(!bar.characterButtons[button]->isDown());
        QVERIFY(m_boxes->shown.isEmpty());
    }

    void failingPressesExplainAndOpenTheDialog_data()
    {
        QTest::addColumn<int>("button");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<bool>("focusFails");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("style");
        const QString unassigned = "You must first assign this button a character.";
        const QString invalid = "A titlebar caption was not entered or is invalid.";
        QTest::newRow("empty button") << 8 << kHost << false << unassigned << 48;
        QTest::newRow("no caption") << 0 << "" << false << invalid << 16;
        QTest::newRow("no such window") << 0 << "Nothing" << false << invalid << 16;
        QTest::newRow("focus refused") << 0 << kHost << true << invalid << 16;
    }

    void failingPressesExplainAndOpenTheDialog()
    {
        QFETCH(int, button);
        QFETCH(QString, caption);
        QFETCH(bool, focusFails);
        QFETCH(QString, text);
        QFETCH(int, style);
        QuillSettings s = usual();
        s.hostCaption = caption;
        CharacterBar& bar = makeBar(s);
        m_service->focusFails = focusFails;
        int opened = 0;
        cancelDialogWhenItOpens(&opened);
        QTest::mousePress(bar.characterButtons[button], Qt::LeftButton);
        QCOMPARE(opened, 1);
        QCOMPARE(m_boxes->shown.size(), 1);
        QCOMPARE(m_boxes->shown[0].text, text);
        QCOMPARE(m_boxes->shown[0].style, style);
        QCOMPARE(m_boxes->shown[0].title, QStringLiteral("Quillbar"));
        QVERIFY(m_service->calls.filter("type").isEmpty());
        QVERIFY(!bar.reactivateHost());
        QVERIFY(!bar.characterButtons[button]->isDown());
        QVERIFY(bar.options().topmostTimer->isActive()); // running again once the dialog closed
        if (button == 8)
            QVERIFY(m_service->calls.isEmpty()); // an empty button never touches the host
    }

    void withoutTypingTheBarSaysSoOnceAndStillCopies()
    {
        m_service->whyNot = "this is a Wayland session";
        CharacterBar& bar = makeBar(usual());
        QVERIFY(m_service->prepared.isEmpty());
        for (int i = 0; i < 3; ++i) {
            QTest::mousePress(bar.characterButtons[3], Qt::LeftButton);
            QTest::mouseRelease(bar.characterButtons[3], Qt::LeftButton);
        }
        QCOMPARE(m_boxes->shown.size(), 1);
        QVERIFY(m_boxes->shown[0].text.contains("Wayland"));
        QVERIFY(m_boxes->shown[0].text.contains("Copy to ClipBoard"));
        QVERIFY(m_service->calls.isEmpty());
        bar.options().copyAction->trigger();
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("é"));

        // No window can be looked for: Apply keeps the caption for a session that can type.
        AssignDialog& form = bar.options().assignDialog();
        form.show();
        form.hostCaptionEdit->setText("Somewhere Else");
        QTest::mouseClick(form.applyButton, Qt::LeftButton);
        QVERIFY(!form.isVisible());
        QCOMPARE(bar.values().hostCaption, QStringLiteral("Somewhere Else"));
        QCOMPARE(m_boxes->shown.size(), 1);
        QVERIFY(m_service->calls.isEmpty());
    }

    void pressesWhileTheHostComesForwardFollowIt()
    {
        // The host takes its time: the bar goes on, and what is pressed meanwhile follows in order.
        m_service->deferred = true;
        CharacterBar& bar = makeBar(usual());
        QTest::mousePress(bar.characterButtons[0], Qt::LeftButton);
        QTest::mouseRelease(bar.characterButtons[0], Qt::LeftButton);
        QTest::mouseClick(bar.characterButtons[1], Qt::LeftButton);
        QTest::mouseClick(bar.characterButtons[2], Qt::LeftButton);
        QCOMPARE(m_service->calls, QStringList({"find " + kHost, "activate " + kHost}));
        m_service->finishNext(WindowService::Delivery::Typed);
        m_service->finishNext(WindowService::Delivery::Typed);
        QCOMPARE(m_service->calls,
                 QStringList({"find " + kHost, "activate " + kHost, "type a", "activate " + kHost, "type %+"}));
        QVERIFY(!bar.reactivateHost()); // released before the keys: the host has the focus already
        QVERIFY(!bar.delivering());

        // A host that never comes forward: one message, and what was pressed meanwhile is dropped.
        m_service->calls.clear();
        QTest::mouseClick(bar.characterButtons[3], Qt::LeftButton);
        QTest::mouseClick(bar.characterButtons[4], Qt::LeftButton);
        int opened = 0;
        cancelDialogWhenItOpens(&opened);
        m_service->finishNext(WindowService::Delivery::NoFocus);
        QCOMPARE(opened, 1);
        QCOMPARE(m_boxes->texts(), QStringList{"A titlebar caption was not entered or is invalid."});
        QCOMPARE(m_service->pendingCount(), 0);
        QVERIFY(m_service->calls.filter("type").isEmpty());
        QVERIFY(!bar.delivering());
    }

    void rightPressPopsTheMenuBelowTheMouse()
    {
        CharacterBar& bar = makeBar(usual());
        QTest::mousePress(bar.characterButtons[4], Qt::RightButton, {}, QPoint(6, 9));
        BarOptions& options = bar.options();
        QCOMPARE(bar.values().currentButton, 4);
        QVERIFY(!options.topmostTimer->isActive()); // stopped while the menu is open
        QVERIFY(options.buttonMenu->isVisible());
        QStringList captions;
        for (const QAction* action : options.buttonMenu->actions())
            captions << (action->isSeparator() ? "-" : action->text());
        QCOMPARE(captions, QStringList({"&Assign New Character", "-", "&Copy to ClipBoard", "-", "Always on &Top"}));
        const QPoint button = bar.characterButtons[4]->mapTo(&bar, QPoint(0, 0));
        QCOMPARE(options.buttonMenu->pos(), bar.pos() + button + QPoint(6, 9 + bar.characterButtons[4]->height()));
        options.buttonMenu->hide();

        QTest::mouseMove(bar.characterButtons[2], QPoint(3, 3));
        QVERIFY(options.topmostTimer->isActive()); // moving over the bar starts it again

        options.copyAction->trigger();
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("©"));
    }

    void alwaysOnTopIsToggledAndKeptByTheTimer()
    {
        CharacterBar& bar = makeBar(usual());
        const WId id = bar.winId();
        BarOptions& options = bar.options();
        QVERIFY(!bar.isTopmost());
        options.alwaysOnTopAction->trigger();
        QVERIFY(options.alwaysOnTopAction->isChecked());
        QVERIFY(bar.isTopmost());
        bar.makeTopmost(false); // something took the state away
        options.reapplyTopmost();
        QVERIFY(bar.isTopmost());
        // Qt's flag is set already, but the manager may have dropped the state: every tick asks.
        m_service->keptAbove.clear();
        options.reapplyTopmost();
        options.reapplyTopmost();
        const QPair<FakeWindowService::WindowId, bool> above{bar.winId(), true};
        QCOMPARE(m_service->keptAbove, QList({above, above}));
        options.alwaysOnTopAction->trigger();
        QVERIFY(!bar.isTopmost());
        QCOMPARE(bar.winId(), id); // the same native window throughout
        QVERIFY(bar.currentSettings().alwaysOnTop == false);

        QuillSettings s = usual();
        s.alwaysOnTop = true;
        CharacterBar& again = makeBar(s);
        QVERIFY(again.hasOptions());
        QVERIFY(again.options().alwaysOnTopAction->isChecked());
        QVERIFY(again.isTopmost());
        QVERIFY(again.options().topmostTimer->isActive());
    }

    void draggingShowsOnlyTheStrip()
    {
        CharacterBar& bar = makeBar(usual());
        const QPoint start = bar.pos();
        QTest::mousePress(bar.dragStrip, Qt::LeftButton, {}, QPoint(40, 5));
        QVERIFY(bar.dragging());
        QCOMPARE(bar.height(), tw(kBarDragHeight));
        bar.dragTo(bar.dragStrip->mapToGlobal(QPoint(70, 25)));
        QCOMPARE(bar.pos(), start + QPoint(30, 20));
        QTest::mouseRelease(bar.dragStrip, Qt::LeftButton, {}, QPoint(70, 25));
        QVERIFY(!bar.dragging());
        QCOMPARE(bar.height(), tw(kBarHeight));
        QCOMPARE(bar.currentSettings().left, (start.x() + 30) * kTwipsPerPixel);
    }

    void startPositionOffEveryScreenComesBack()
    {
        QuillSettings s = usual();
        s.left = -200000;
        s.top = 900000;
        CharacterBar& bar = makeBar(s);
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        QVERIFY(screen.contains(bar.frameGeometry()));
    }

    void settingsAreWrittenOnlyWhenChanged()
    {
        CharacterBar& bar = makeBar(usual());
        QVERIFY(bar.writeSettings());
        const QuillSettings written = loadSettings(path(), QuillSettings());
        QCOMPARE(written, bar.currentSettings());
        QFile::remove(path());
        QVERIFY(bar.writeSettings()); // unchanged: not written again
        QVERIFY(!QFile::exists(path()));
        bar.setButtonCode(11, 255);
        QVERIFY(bar.writeSettings());
        QCOMPARE(loadSettings(path(), QuillSettings()).codes[11], 255);
    }

    void dialogHasItsGridAndFonts()
    {
        CharacterBar& bar = makeBar(usual());
        AssignDialog& form = bar.options().assignDialog();
        QCOMPARE(form.windowTitle(), QStringLiteral("Quillbar"));
        QCOMPARE(form.size(), twSize(kDialogWidth, kDialogHeight));
        const std::pair<int, QString> cells[] = {{0, ""},   {31, ""},  {65, "A"},  {127, ""}, {128, "€"},
                                                 {129, ""}, {157, ""}, {233, "é"}, {255, "ÿ"}};
        for (const auto& [index, text] : cells) {
            QCOMPARE(form.cells[index]->text(), text);
        }
        QStringList fonts;
        for (int i = 0; i < form.fontBox->count(); ++i)
            fonts << form.fontBox->itemText(i);
        QVERIFY(!fonts.isEmpty());
        QCOMPARE(QSet<QString>(fonts.begin(), fonts.end()).size(), fonts.size());
        QCOMPARE(form.fontBox->currentText(), bar.values().buttonFont);

        form.fontBox->setEditText("No Such Font 12345");
        form.onFontChosen();
        QCOMPARE(m_boxes->texts(), QStringList{"The font specified was not found."});
        QCOMPARE(m_boxes->shown[0].style, 16);
        form.fontBox->setEditText(fonts.last());
        form.onFontChosen();
        QCOMPARE(form.cells[65]->font().family(), fonts.last());
        QCOMPARE(form.closeUp->font().pointSize(), 18);
        QVERIFY(form.closeUp->font().bold());
    }

    void closeUpFollowsTheClickedCell_data()
    {
        QTest::addColumn<int>("cell");
        QTest::addColumn<QPoint>("at");
        QTest::newRow("first row") << 65 << QPoint(315, 2085);
        QTest::newRow("right column") << 47 << QPoint(4075, 1545);
        QTest::newRow("last row") << 241 << QPoint(315, 5005);
        QTest::newRow("corner") << 255 << QPoint(4075, 5005);
    }

    void closeUpFollowsTheClickedCell()
    {
        QFETCH(int, cell);
        QFETCH(QPoint, at);
        CharacterBar& bar = makeBar(usual());
        AssignDialog& form = bar.options().assignDialog();
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QTest::mousePress(form.cells[cell], Qt::LeftButton);
        QVERIFY(form.closeUp->isVisible());
        QCOMPARE(form.closeUp->pos(), twPoint(at.x(), at.y()));
        QCOMPARE(form.closeUp->text(), form.cells[cell]->text());
        QCOMPARE(form.selectedLetter(), cell);
        QCOMPARE(form.cells[cell]->palette().color(QPalette::Window), QColor(0x00, 0x80, 0x80));
        QTest::mouseRelease(form.cells[cell], Qt::LeftButton);
        QVERIFY(!form.closeUp->isVisible());
        form.reject();
    }

    void emptyCellsCannotBeChosen()
    {
        CharacterBar& bar = makeBar(usual());
        AssignDialog& form = bar.options().assignDialog();
        form.show();
        for (const int cell : {0, 9, 31, 127, 129, 141, 143, 144, 157}) {
            QTest::mousePress(form.cells[cell], Qt::LeftButton);
            QVERIFY2(!form.charChosen(), qPrintable(QString::number(cell)));
            QVERIFY(!form.closeUp->isVisible());
        }
        form.reject();
    }

    void applyAndCancel_data()
    {
        QTest::addColumn<int>("cell"); // -1: none clicked
        QTest::addColumn<QString>("hostText");
        QTest::addColumn<bool>("apply");
        QTest::addColumn<int>("code");        // of button 9 afterwards
        QTest::addColumn<QString>("caption"); // HostCaption afterwards
        QTest::addColumn<bool>("open");       // the dialog still open
        QTest::newRow("apply character and host") << 233 << "Terminal" << true << 233 << "Terminal" << false;
        QTest::newRow("apply by prefix") << 169 << "Untitled" << true << 169 << "Untitled" << false;
        QTest::newRow("apply font only") << -1 << "" << true << 0 << kHost << false;
        QTest::newRow("apply unknown host") << 128 << "Nowhere" << true << 128 << kHost << true;
        QTest::newRow("cancel") << 233 << "Terminal" << false << 0 << kHost << false;
    }

    void applyAndCancel()
    {
        QFETCH(int, cell);
        QFETCH(QString, hostText);
        QFETCH(bool, apply);
        QFETCH(int, code);
        QFETCH(QString, caption);
        QFETCH(bool, open);
        CharacterBar& bar = makeBar(usual());
        bar.values().currentButton = 9;
        AssignDialog& form = bar.options().assignDialog();
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        if (cell >= 0)
            QTest::mousePress(form.cells[cell], Qt::LeftButton);
        form.hostCaptionEdit->setText(hostText);
        const QString font = form.fontBox->itemText(form.fontBox->count() - 1);
        form.fontBox->setEditText(font);
        QTest::mouseClick(apply ? form.applyButton : form.cancelButton, Qt::LeftButton);

        QCOMPARE(bar.buttonCode(9), code);
        QCOMPARE(bar.values().hostCaption, caption);
        QCOMPARE(form.isVisible(), open);
        QCOMPARE(bar.values().buttonFont, apply ? font : usual().buttonFont);
        QCOMPARE(bar.characterButtons[0]->font().family(), apply ? font : QFont(usual().buttonFont).family());
        if (apply && !hostText.isEmpty())
            QVERIFY(m_service->calls.contains("activate " + (hostText == "Untitled" ? kHost + " (2)" : hostText)) ||
                    open);
        if (open) {
            QCOMPARE(m_boxes->texts(), QStringList{"The titlebar caption specified does not exits."});
            QCOMPARE(m_boxes->shown[0].style, 16);
            QCOMPARE(form.hostCaptionEdit->selectedText(), hostText);
            QVERIFY(form.charChosen()); // the choice stays for another try
            QCOMPARE(form.selectedLetter(), cell);
            form.reject();
        } else {
            QVERIFY(m_boxes->shown.isEmpty());
            QVERIFY(!form.charChosen());
            QCOMPARE(form.selectedLetter(), 0);
            if (cell >= 0)
                QCOMPARE(form.cells[cell]->palette().color(QPalette::Window), QColor(Qt::white));
        }
    }

    void dialogOpensWithTheHostCaptionAndKeepsTheBarOffTop()
    {
        QuillSettings s = usual();
        s.alwaysOnTop = true;
        CharacterBar& bar = makeBar(s);
        bool topmostWhileOpen = true;
        bool timerWhileOpen = true;
        QString hostText;
        QTimer::singleShot(0, [&] {
            auto* form = qobject_cast<AssignDialog*>(QApplication::activeModalWidget());
            QVERIFY(form);
            topmostWhileOpen = bar.isTopmost();
            timerWhileOpen = bar.options().topmostTimer->isActive();
            hostText = form->hostCaptionEdit->text();
            form->onCancelClicked();
        });
        bar.options().assignCharacter();
        QVERIFY(!topmostWhileOpen);
        QVERIFY(!timerWhileOpen);
        QCOMPARE(hostText, kHost);
        QVERIFY(bar.isTopmost());
        QVERIFY(bar.options().topmostTimer->isActive());
    }

    void exitButtonWritesTheSettings()
    {
        CharacterBar& bar = makeBar(usual());
        QFile::remove(path());
        QTest::mouseClick(bar.closeBox, Qt::LeftButton);
        QCOMPARE(loadSettings(path(), QuillSettings()), bar.currentSettings());
        QVERIFY(m_boxes->shown.isEmpty());
    }
};

QTEST_MAIN(QuillWindowsTest)
#include "quill_windows_test.moc"
