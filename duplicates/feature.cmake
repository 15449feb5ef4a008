# SPDX-License-Identifier: GPL-3.0-or-later
# Find Duplicates: files of the chosen types met under the same name in several folders of a
# tree, reviewed group by group.
