# SPDX-License-Identifier: GPL-3.0-or-later
# Quick Clean: one pass over a drive for temporary files, the temporary folder and the old
# browser cache, or a sample run that only counts them.
