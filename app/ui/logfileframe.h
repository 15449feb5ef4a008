// The log panel: shows the working search log or a saved one, saves and prints it.
// (Placeholder until the log viewer is built.)
#pragma once

#include <QWidget>

namespace bv {

class BrisvaneForm;

class LogFileFrame : public QWidget
{
    Q_OBJECT
public:
    LogFileFrame(BrisvaneForm& form, QWidget* parent);

    // Show the working log: from the file-search panel (false) or the duplicate panel (true).
    void showWorkingLog(bool fromDuplicates);
    void LogFileIcon_Click();
    void PrintIcon_Click();
    // The file-search panel's reset enables Save again.
    void enableSave();
    // Done on a search panel empties the viewer's text.
    void clearText();

private:
    BrisvaneForm& m_form;
};

} // namespace bv
