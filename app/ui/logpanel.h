// SPDX-License-Identifier: GPL-3.0-or-later
// The log panel: shows the working search log (after a file search or a duplicate search) or a
// saved log, saves the working log under a name the user picks, and prints what it shows.
//
// The panel lies over the file-search panel in the main window's work area. Showing it puts the
// command bar into its log-view state; its Close button hands the window back to the panel it
// was opened from, or to the idle window. The working log is read from disk each time it is
// shown; a log too large for the viewer goes to the word processor instead (a copy, "temp.doc",
// opened with the desktop's default application).
//
// Tests replace the two steps that talk to the user outside the window: the file dialog
// (fileDialogHook) and the choice of printer (printerHook).
#pragma once

#include "common/ui/layout.h"

#include <QByteArray>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <memory>

class QPlainTextEdit;
class QPrinter;
class QPushButton;

namespace bv {

class PanelHost;

// What the log file dialog is asked for.
enum class LogDialog : std::uint8_t { Open, Save };

class LogPanel : public QWidget
{
    Q_OBJECT
public:
    // The largest log the viewer loads. Measured on a 2-core build machine: a 4 MiB log (about
    // 116,000 lines) takes about half a second of CPU to read and show, and scrolls in under
    // 20 ms a step; 16 MiB takes over two seconds, during which the window is frozen. The cost
    // follows the number of lines too (two million empty lines take many seconds), hence a
    // line limit that a real log of 4 MiB stays below.
    static constexpr qint64 kViewerLimit = 4 * 1024 * 1024;
    static constexpr qsizetype kViewerLineLimit = 150000;

    LogPanel(PanelHost& host, QWidget* parent);
    ~LogPanel() override;

    // The panel's controls, as data (common/ui/layout.h).
    static const LayoutTable& layout();

    // Shows the working log; false when it went to the word processor instead (or nowhere).
    bool showWorkingLog();
    void openSavedLog();
    void printLog();
    void onSaveClicked();
    void onCloseClicked();

    // The common file dialog for logs, to open one or to save the working log: the chosen
    // path, or "" when the user cancels.
    QByteArray chooseLogFile(LogDialog purpose);

    // The file-search panel's reset enables Save again.
    void enableSave();
    // Done on a search panel empties the viewer's text.
    void clearText();

    QString text() const;
    QPlainTextEdit* logView() const { return m_logView; }
    QPushButton* saveButton() const { return m_saveButton; }
    QPushButton* closeButton() const { return m_closeButton; }

    // Replaces the Open/Save dialog: returns the chosen path, "" for a cancel.
    std::function<QByteArray(LogDialog purpose)> fileDialogHook;
    // Replaces the choice of the default printer: null for "no printer is set up".
    std::function<std::unique_ptr<QPrinter>()> printerHook;

    // The main window's side: the commands of the log view when the panel is shown, and what
    // comes back when it closes.
    std::function<void()> shown;
    std::function<void()> closed;

    // The system's default printer, null when none is set up.
    static std::unique_ptr<QPrinter> defaultPrinter();

private:
    QByteArray workingLogPath() const;
    QByteArray wordProcessorCopyPath() const;
    void offerWordProcessor();
    void showPanel(const QString& text);

    PanelHost& m_host;
    QPlainTextEdit* m_logView = nullptr;
    QPushButton* m_saveButton = nullptr;
    QPushButton* m_closeButton = nullptr;
    QString m_dialogFolder; // where the last Open or Save dialog ended
};

} // namespace bv
