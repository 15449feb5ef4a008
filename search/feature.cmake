# SPDX-License-Identifier: GPL-3.0-or-later
# File Search: files of chosen types, used or not since a date, above a size, in a folder and its
# sub-folders, removed with or without the verification window and the move dialog.
