// SPDX-License-Identifier: GPL-3.0-or-later
// A host window for the X11 tests: it appends every character it receives to a file, in order.
// With --busy it sleeps after each key, so keys queue up behind it as they do in a busy program.
#include <QApplication>
#include <QFile>
#include <QKeyEvent>
#include <QThread>
#include <QWidget>

namespace {

class Host : public QWidget
{
public:
    Host(const QString& out, int busyMs) : m_out(out), m_busyMs(busyMs)
    {
        if (!m_out.open(QIODevice::WriteOnly | QIODevice::Append))
            qFatal("cannot open %s", qPrintable(out));
    }

protected:
    void keyPressEvent(QKeyEvent* event) override
    {
        if (!event->text().isEmpty()) {
            m_out.write(event->text().toUtf8());
            m_out.flush();
        }
        if (m_busyMs > 0)
            QThread::msleep(m_busyMs);
    }

private:
    QFile m_out;
    int m_busyMs;
};

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const QStringList args = QApplication::arguments();
    if (args.size() < 3) {
        qWarning("usage: quill_typing_host TITLE OUTFILE [BUSY-MS]");
        return 2;
    }
    Host host(args.at(2), args.size() > 3 ? args.at(3).toInt() : 0);
    host.setWindowTitle(args.at(1));
    host.resize(320, 120);
    host.move(400, 300);
    host.show();
    return app.exec();
}
