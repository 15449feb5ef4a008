// SPDX-License-Identifier: GPL-3.0-or-later
// The assignment dialog: the host window's title, the buttons' font, and a grid of the 256
// Windows-1252 codes from which the user picks the character for the button last pressed.
// It is created once and only hidden afterwards, so its grid, font list and font stay.
#pragma once

#include "common/ui/layout.h"

#include <QDialog>

#include <array>

class QComboBox;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QPushButton;

namespace bv::quill {

class CharacterBar;

// The cell the keyboard starts on when the button has no character: the space, the grid's first.
constexpr int kSpaceCode = 32;

class AssignDialog : public QDialog
{
    Q_OBJECT

public:
    AssignDialog(CharacterBar& bar, QWidget* parent);

    // The dialog's controls, as data (common/ui/layout.h).
    static const LayoutTable& layout();

    // The controls a user works with (each keeps its designed name as its object name).
    QLineEdit* hostCaptionEdit = nullptr; // "HostText": the title of the window typed into
    QComboBox* fontBox = nullptr;         // "FontList"
    std::array<QLabel*, 256> cells{};     // "Letters(0)" to "Letters(255)": one per code
    QLabel* closeUp = nullptr;            // "CloseUp": the held cell, enlarged
    QPushButton* cancelButton = nullptr;  // "Command2"
    QPushButton* applyButton = nullptr;   // "Command1"

    // What the user does.
    void onFontChosen();
    void onCellPressed(int index);
    void onCellReleased();
    void onApplyClicked();
    void onCancelClicked();

    bool charChosen() const { return m_charChosen; }
    int selectedLetter() const { return m_selectedCode; }
    // The cell the keyboard is on: the grid's one stop in the Tab order. The arrow keys move it,
    // and Space or Enter picks it as a mouse press does (released, as a mouse release).
    int keyCell() const { return m_keyCell; }

    // The display's font families, each once, in the order the system gives them.
    static QStringList displayFonts();

public Q_SLOTS:
    void reject() override; // Cancel, Escape and the window's close box

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void load();
    void applied(const QString& caption);
    void captionNotFound();
    void clearChoice();
    void setCellColour(int index, const QColor& colour);
    void moveKeyCell(int index, bool focus);
    bool cellKey(int index, QKeyEvent* key);

    CharacterBar& m_bar;
    bool m_charChosen = false;
    int m_selectedCode = 0;
    int m_applyRound = 0; // an Apply waiting for its window counts only in its own round
    int m_keyCell = kSpaceCode;
};

} // namespace bv::quill
