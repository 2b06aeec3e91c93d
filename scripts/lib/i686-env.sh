# Settings of the i686 lane, sourced by i686-lane and i686-run so that both
# find the lane and start its Wine the same way. Expects tv_root (the
# checkout) and WINEPREFIX to be set by the caller.
#
# The lane is Debian's 32-bit Wine unpacked into a private root under the
# build folder, its loader run by qemu-i386 (user-mode emulation), because
# this kind of machine's kernel runs no 32-bit code. Nothing is installed
# system-wide, so every checkout has a lane of its own.
tv_lane_dir="${TV_I686_LANE_DIR:-$tv_root/build/i686-lane}"
tv_lane_root="$tv_lane_dir/root32"
# The loader stand-in named "wine", the real loader and the wineserver link.
tv_lane_bin="$tv_lane_root/usr/lib/wineq"
tv_lane_qemu="$tv_lane_dir/qemu/qemu-i386"
# What the lane fetches, from these two suites only (i686-lane fetch):
# - from the release suite, for i386: wine32 and libwine at exactly the
#   version of the host's wine64 (asked of dpkg-query, so that the host's
#   wineserver serves the lane too), and the libraries they need;
# - from the backports, for amd64: qemu-user at the version named here
#   (bookworm's own qemu ignores MAP_FIXED_NOREPLACE, which makes each Wine
#   start take most of a minute).
tv_lane_suite=bookworm
tv_lane_qemu_suite=bookworm-backports
tv_lane_qemu_version='1:10.0.2+ds-2+deb13u1~bpo12+1'

# The project's Wine settings, then what differs in the lane: its loader,
# a 32-bit prefix and its wineserver link.
. "$tv_root/scripts/lib/wine-env.sh"
WINELOADER="$tv_lane_bin/wine"
WINEARCH=win32
export WINELOADER WINEARCH
tv_wineserver="$tv_lane_bin/wineserver"
