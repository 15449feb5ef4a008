// SPDX-License-Identifier: GPL-3.0-or-later
// The features of Brisvane, in the order of the Tools menu: the one place that knows them all.
//
// A feature is either a panel in the main window's work area (created once, shown by its
// command) or a tools window opened modally from the idle window. The main window builds its
// Tools menu and wires its icons from this table; it knows nothing else of the features. The
// build finds a feature's folder by itself (its feature.cmake): this table is the one other
// place that adding a feature touches.
#pragma once

#include "common/ui/layout.h"

#include <QKeySequence>
#include <QList>
#include <QString>

#include <functional>

class QWidget;

namespace bv {

class Panel;
class PanelHost;

struct FeatureEntry
{
    const char* actionName = nullptr; // the menu item's object name ("FileSearchOption")
    QString caption;                  // the menu item's caption ("File &Search")
    QKeySequence key;
    const char* iconName = nullptr; // the icon-bar button that also opens it, if any

    // A panel: made once when the main window builds its work area (`workArea` is its parent).
    std::function<Panel*(PanelHost& host, QWidget* workArea)> makePanel;
    // A tools window: opened modally, from the idle window only.
    std::function<void(PanelHost& host)> openTool;
    // The layout tables of the feature's windows (common/ui/layout.h), which the checks every
    // window must pass run over.
    QList<const LayoutTable*> layouts;

    // A tools window that also opens over a panel or the log, whenever no run goes on: putting
    // back what a run just removed is wanted right there, with the panel still showing it.
    bool opensBesideRuns = false;
};

QList<FeatureEntry> brisvaneFeatures();

} // namespace bv
