// The small "One Moment..." window shown, centred on the screen, while the log is sent to the
// printer: printing a long log takes a moment and the main window does not answer meanwhile.
#pragma once

#include <QWidget>

class QLabel;

namespace bv {

class PrinterForm : public QWidget
{
    Q_OBJECT
public:
    explicit PrinterForm(QWidget* parent = nullptr);

    // Centres the window on the screen of `near` (the primary screen without one).
    void Form_Load(const QWidget* near = nullptr);

    QLabel* label1() const { return m_label1; }

private:
    QLabel* m_label1 = nullptr;
};

} // namespace bv
