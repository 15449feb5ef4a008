// SPDX-License-Identifier: GPL-3.0-or-later
#include "tests/support/ui/fake_host.h"

#include "platform/paths.h"

#include <QCoreApplication>

namespace bv::test {

FakeHost::FakeHost(AppState& program) : m_program(program), m_parent(std::make_unique<QWidget>()) {}

FakeHost::~FakeHost() = default;

WalkResult FakeHost::SearchDrive(const WalkOptions& options, FeatureHooks& feature)
{
    return driveWalk(m_program, m_run, options, feature, *this);
}

void FakeHost::letMessagesBeProcessed()
{
    QCoreApplication::processEvents();
}

void FakeHost::closePanel(Panel& panel)
{
    panel.widget()->hide();
    closed.append(&panel);
}

void FakeHost::showStatusPath(const QByteArray& path)
{
    statuses.append(displayPath(path));
}

void FakeHost::yieldToEvents()
{
    QCoreApplication::processEvents();
}

} // namespace bv::test
