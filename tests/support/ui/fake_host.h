// SPDX-License-Identifier: GPL-3.0-or-later
// A host for a feature window in tests, without the main window: it keeps the program's and the
// run's values, runs the real walk driver, and records what the window asked of it (status
// lines, the progress strip, panel closes, log views).
#pragma once

#include "common/appstate.h"
#include "common/ui/panelhost.h"

#include <QStringList>
#include <QWidget>

#include <memory>

namespace bv::test {

class FakeHost : public PanelHost, private WalkScreen
{
public:
    explicit FakeHost(AppState& program);
    ~FakeHost() override;

    AppState& program() override { return m_program; }
    RunValues& run() override { return m_run; }
    WalkResult SearchDrive(const WalkOptions& options, FeatureHooks& feature) override;
    WalkScreen& walkScreen() override { return *this; }
    void ShowStatus(const QString& text) override { statuses.append(text); }
    void printStatusRaw(const QString& text) override { statuses.append(text); }
    void finishProgress(int blocks) override { flood += QString(blocks, QChar(0x2592)); }
    void letMessagesBeProcessed() override;
    void focusDummy() override { ++focusParks; }
    void showWorkingLog(Panel& from) override { logShownFrom = &from; }
    void clearLogText() override { ++logTextClears; }
    void enableLogSave() override { ++logSaveEnables; }
    void closePanel(Panel& panel) override;
    QWidget* dialogParent() override { return m_parent.get(); }

    // What the window asked for.
    QStringList statuses; // every status text, in order (walk paths included)
    QString flood;        // the progress strip
    int focusParks = 0;
    int logTextClears = 0;
    int logSaveEnables = 0;
    Panel* logShownFrom = nullptr;
    QList<Panel*> closed;

private:
    void showStatusPath(const QByteArray& path) override;
    void flushStatus() override {}
    void appendFlood(int blocks) override { flood += QString(blocks, QChar(0x2592)); }
    void yieldToEvents() override;
    void setPointer(int pointer) override { (void)pointer; }

    AppState& m_program;
    RunValues m_run;
    std::unique_ptr<QWidget> m_parent;
};

} // namespace bv::test
