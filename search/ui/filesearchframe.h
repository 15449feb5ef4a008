// The file-search panel. (Placeholder until the panel's controls are built: it is a white
// printing surface that the main window can show, hide and reset.)
#pragma once

#include "app/ui/printsurface.h"

namespace bv {

class BrisvaneForm;

class FileSearchFrame : public PrintSurface
{
    Q_OBJECT
public:
    FileSearchFrame(BrisvaneForm& form, QWidget* parent);

    // Puts the panel back to its start state (Reset, Cancel and Done run it).
    void ResetFileSearch();

private:
    BrisvaneForm& m_form;
};

} // namespace bv
