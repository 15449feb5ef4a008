// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/chosenfolder.h"

#include "platform/messages.h"
#include "platform/paths.h"

#include <sys/stat.h>

namespace bv {

void ChosenFolder::choose(const QByteArray& path)
{
    m_path = path;
    struct stat st;
    m_known = !path.isEmpty() && ::stat(path.constData(), &st) == 0 && S_ISDIR(st.st_mode);
    m_dev = m_known ? st.st_dev : 0;
    m_ino = m_known ? st.st_ino : 0;
}

bool ChosenFolder::stillLeadsThere() const
{
    if (!m_known)
        return true;
    struct stat st;
    if (::stat(m_path.constData(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_dev == m_dev && st.st_ino == m_ino)
        return true;
    msgBox(QStringLiteral("The folder %1 has changed since it was chosen. Choose it again.").arg(displayPath(m_path)),
           MsgExclamation);
    return false;
}

} // namespace bv
