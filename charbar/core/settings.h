// SPDX-License-Identifier: GPL-3.0-or-later
// Quillbar.ini: what the bar remembers between runs (position, host caption, font, the twelve
// character codes, always on top). Nineteen lines with CR LF, UTF-8, read at start and written
// at exit. This module only turns settings into bytes and back, and finds and writes the file;
// the bar decides what to do with a position that no screen shows.
#pragma once

#include <QByteArray>
#include <QString>

#include <array>

namespace bv::quill {

constexpr int kButtonCount = 12;
// Where the bar sits when nothing says otherwise, in twips.
constexpr int kDesignLeft = 5025;
constexpr int kDesignTop = 5775;

struct QuillSettings
{
    int top = kDesignTop;   // twips
    int left = kDesignLeft; // twips
    QString hostCaption;
    QString buttonFont;
    std::array<int, kButtonCount> codes{}; // Windows-1252 codes; 0 = no character
    bool alwaysOnTop = false;

    bool operator==(const QuillSettings&) const = default;
};

// The twelve characters of a first start, so a new bar is useful at once: © ® ™ € £ ¥ ° ± × é ü ß
// (Windows-1252 codes).
constexpr std::array<int, kButtonCount> kStarterCodes{169, 174, 153, 128, 163, 165, 176, 177, 215, 233, 252, 223};

// Settings from the file's bytes. Lines that are missing or cannot be read keep the value of
// `defaults` (a code that is no character becomes an empty button); nothing here fails.
QuillSettings parseSettings(const QByteArray& bytes, const QuillSettings& defaults);

// The file's bytes for these settings.
QByteArray formatSettings(const QuillSettings& settings);

// One value of a line by the file's delimited reading: up to a comma outside double quotes or
// the end of the line, blanks around it dropped; a value in double quotes is taken without them
// (a doubled quote inside stands for one quote).
QString delimitedValue(QStringView line);

// A text value written so that delimitedValue reads it back whole.
QString delimitedText(const QString& value);

// $XDG_CONFIG_HOME/Quillbar/Quillbar.ini (default ~/.config/Quillbar/Quillbar.ini).
QString settingsFilePath();

// The settings in the file. With no file at all (a first start) they are `defaults` with the
// buttons holding kStarterCodes. Anything else that cannot be read, and a name that leads to no
// regular file (a FIFO, a folder), gives `defaults` as they are, with the reason in `error`; such
// a name is never waited on.
QuillSettings loadSettings(const QString& path, const QuillSettings& defaults, QString* error = nullptr);

// Writes the file in one piece (a temporary file renamed over the old one), creating its folder.
// False, with the reason in `error`, when it could not be written; the old file is then untouched.
bool saveSettings(const QString& path, const QuillSettings& settings, QString* error = nullptr);

} // namespace bv::quill
