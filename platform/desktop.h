// SPDX-License-Identifier: GPL-3.0-or-later
// Opening a document with the desktop's default application for its content type (GIO).
#pragma once

#include <QByteArray>
#include <QString>

namespace bv {

enum class OpenResult {
    Opened,        // a default application was started for it
    NoAssociation, // no application is registered for the file's content type
    Failed,        // anything else: the file is missing, the application failed to start
};

struct OpenOutcome
{
    OpenResult result = OpenResult::Failed;
    QString message; // GIO's explanation, for a failure
};

// Never opens "" (GIO would take it for the current folder).
OpenOutcome openWithDefaultApp(const QByteArray& path);

// Opens the file with the default application of the given content type instead of its own
// (the word-processor copy of a log is plain text, whatever its name makes GIO guess).
OpenOutcome openWithDefaultAppForType(const QByteArray& path, const char* contentType);

// What the user is told when `what` ("The help document", "The file") at path could not be
// opened: "<what> <path> could not be opened: <reason>." with the system's reason (no
// application is registered for its type, it does not exist, the application failed to start).
// Opening a document the user asked for never fails without a word.
QString openFailureText(const QString& what, const QByteArray& path, const OpenOutcome& outcome);

} // namespace bv
