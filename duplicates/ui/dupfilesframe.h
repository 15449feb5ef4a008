// The duplicate panel. Until the duplicate finder is built it says so, and Cancel leaves it.
#pragma once

#include "app/ui/panelhost.h"
#include "app/ui/printsurface.h"

namespace bv {

class DupFilesFrame : public PrintSurface, public Panel
{
    Q_OBJECT
public:
    DupFilesFrame(PanelHost& host, QWidget* parent);

    QWidget* widget() override { return this; }
    void opened() override;
    void reprintCounters() override;
    bool staysUnderLog() const override { return false; }

    void dCancelButton_Click();

protected:
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    PanelHost& m_host;
};

} // namespace bv
