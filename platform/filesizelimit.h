// SPDX-License-Identifier: GPL-3.0-or-later
// A file-size limit on the process (ulimit -f).
//
// By default the system kills a process with SIGXFSZ the moment it writes past its limit: in the
// middle of a search that cuts the log off inside a line and leaves nothing said. With the
// signal ignored, that write fails with EFBIG instead, and the program's own handling of a write
// that fails applies (a search stops before its next removal and says that its log could not be
// written; a settings file keeps its previous copy).
#pragma once

namespace bv {

// Called first thing by both programs.
void letWritesFailAtFileSizeLimit();

} // namespace bv
