# SPDX-License-Identifier: GPL-3.0-or-later
# Disk Space and Cluster Overhang: a drive's capacity and geometry, and the space its files lose
# to partly filled clusters.
