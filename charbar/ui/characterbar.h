// SPDX-License-Identifier: GPL-3.0-or-later
// The bar: twelve character buttons under a drag strip. A left press types the button's
// character into the host window (found by its title through the window service); a right
// press opens the button menu of the hidden Options window. The bar never takes the keyboard
// focus, so the host keeps it while the user clicks.
//
// Typing finishes later, once the host has the focus; presses made meanwhile are typed after it,
// in order, and dropped if the host never takes the focus.
//
// The program values that the bar, its options window and the assignment dialog share live here, and the bar
// turns itself into settings for the file when the program ends.
#pragma once

#include "charbar/core/settings.h"
#include "charbar/core/window_service.h"
#include "common/ui/layout.h"

#include <QPoint>
#include <QWidget>

#include <array>
#include <memory>
#include <optional>

class QLabel;
class QLineEdit;
class QPushButton;

namespace bv::quill {

class BarOptions;

struct ProgramValues
{
    int currentButton = 0; // the button last pressed with any mouse button
    QString hostCaption;   // title of the window that receives the characters
    QString buttonFont;    // font family of the twelve buttons
};

class CharacterBar : public QWidget
{
    Q_OBJECT

public:
    CharacterBar(WindowService& service, const QuillSettings& settings, const QString& settingsPath,
                 QWidget* parent = nullptr);
    ~CharacterBar() override;

    ProgramValues& values() { return m_values; }
    WindowService& windowService() { return m_service; }
    // The hidden window with the timer and the button menu, created the first time it is needed.
    BarOptions& options();
    bool hasOptions() const { return m_options != nullptr; }

    // A button's character ("" when none is assigned) and its Windows-1252 code (0 when none).
    QString buttonCaption(int index) const;
    int buttonCode(int index) const { return m_codes.at(index); }
    void setButtonCode(int index, int code);
    void setButtonFont(const QString& family);

    // Also asks the window manager again when Qt's flag is already set: the state may have been
    // taken away from outside.
    void makeTopmost(bool on);
    bool isTopmost() const;

    QuillSettings currentSettings() const;
    // Writes the settings file unless it already holds exactly these settings. False on failure.
    bool writeSettings();

    // The bar's controls, as data (common/ui/layout.h).
    static const LayoutTable& layout();

    // The controls (each keeps its designed name as its object name: "TheButtons(3)", ...).
    QWidget* client = nullptr;   // the client area, inside the bar's frame
    QLabel* dragStrip = nullptr; // "TitleBar": pressed and dragged, it moves the bar
    QLabel* closeBox = nullptr;  // "ExitButton": the close mark on the strip
    QLabel* stripRule = nullptr; // "Line1": the rule under the strip
    std::array<QPushButton*, kButtonCount> characterButtons{};
    QLineEdit* focusRest = nullptr; // "DummyText", out of sight: it takes the focus from a button

    // What the mouse does on the controls.
    void onCharacterButtonPressed(int index, Qt::MouseButton button, QPoint pos);
    void onCharacterButtonHovered(int index);
    void onCharacterButtonReleased(int index);
    void beginDrag(QPoint globalPos);
    void dragTo(QPoint globalPos);
    void endDrag();
    void exitBar();

    bool reactivateHost() const { return m_reactivateHost; }
    bool delivering() const { return m_delivering; }
    bool dragging() const { return m_dragging; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void leftPress(int index);
    void deliver(WindowService::WindowId window, const QString& text, int index);
    void delivered(WindowService::WindowId window, int index, WindowService::Delivery result);
    void hostInvalid(int index);
    void rightPress(int index, QPoint pos);
    void enableTimer();
    void showCode(int index, int code);
    void prepareCharacters();

    WindowService& m_service;
    QString m_settingsPath;
    ProgramValues m_values;
    std::array<int, kButtonCount> m_codes{};
    std::unique_ptr<BarOptions> m_options;
    std::optional<QuillSettings> m_written; // what the file holds since this run wrote it
    bool m_reactivateHost = false;
    bool m_leftHeld = false;   // a button is held down with the left mouse button
    bool m_delivering = false; // a character is on its way to the host
    QString m_queued;          // characters pressed meanwhile, typed after it
    bool m_dragging = false;
    QPoint m_dragOffset; // mouse position relative to the bar's corner when the drag began
    bool m_toldUnavailable = false;
    bool m_exiting = false;
};

// The frame around the bar's client area, in pixels: the window is the client plus this on
// every side, which makes it 530 twips high (250 with the strip alone).
constexpr int kBarFrame = 3;

} // namespace bv::quill
