# SPDX-License-Identifier: GPL-3.0-or-later
# Restore: the run history of the removing runs, and putting their removed files back.
