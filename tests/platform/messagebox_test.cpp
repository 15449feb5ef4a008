// SPDX-License-Identifier: GPL-3.0-or-later
// The real message box: what it shows and what it answers. File names reach message texts as
// they are, so a name that looks like markup must be shown as written, never rendered.
#include "platform/ui/messagebox_qt.h"

#include "platform/ui/inputguard.h"

#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

#include <functional>

namespace bv {

class MessageBoxTest : public QObject
{
    Q_OBJECT

private:
    // Runs `act` on the box once it is up (exec() blocks until the box is answered).
    static void whenShown(const std::function<void(QMessageBox*)>& act)
    {
        auto* timer = new QTimer;
        timer->setInterval(10);
        QObject::connect(timer, &QTimer::timeout, [timer, act] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box)
                return;
            timer->stop();
            timer->deleteLater();
            act(box);
        });
        timer->start();
    }

private Q_SLOTS:
    void initTestCase() { InputGuard::setQuietMsForTests(0); } // keys pressed the moment the box is up

    void showsPlainTextAndAnswersByStyle_data()
    {
        QTest::addColumn<int>("style");
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("answer");
        QTest::newRow("critical, Enter") << int(MsgCritical) << int(Qt::Key_Return) << int(AnswerOk);
        QTest::newRow("question, Enter") << int(MsgQuestion) << int(Qt::Key_Return) << int(AnswerYes);
        QTest::newRow("question, Escape") << int(MsgQuestion) << int(Qt::Key_Escape) << int(AnswerNo);
        QTest::newRow("question with No default, Enter")
            << int(MsgQuestionDefaultNo) << int(Qt::Key_Return) << int(AnswerNo);
    }

    void showsPlainTextAndAnswersByStyle()
    {
        QFETCH(int, style);
        QFETCH(int, key);
        QFETCH(int, answer);
        const QString text = QStringLiteral("Could not remove /home/u/<b>x</b>&amp;.tmp . Access was denied.");
        QString shown;
        Qt::TextFormat format = Qt::AutoText;
        QString title;
        whenShown([&](QMessageBox* box) {
            const auto* label = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
            if (label) {
                shown = label->text();
                format = label->textFormat();
            }
            title = box->windowTitle();
            QTest::keyClick(box, Qt::Key(key));
        });
        QtMessageService service;
        QCOMPARE(service.show(text, style, QStringLiteral("Brisvane!")), answer);
        QCOMPARE(shown, text);
        QCOMPARE(format, Qt::PlainText);
        QCOMPARE(title, QStringLiteral("Brisvane!"));
    }
};

} // namespace bv

QTEST_MAIN(bv::MessageBoxTest)
#include "messagebox_test.moc"
