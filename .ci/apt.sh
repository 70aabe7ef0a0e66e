# Shared by the install scripts: apt-get that waits for another installation's package
# lock instead of failing at once, and says so. Source it; it defines apt_get and SUDO.
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive
GX_APT_LOCK_WAIT=${GX_APT_LOCK_WAIT:-600}

# True while another process holds one of the locks apt-get would take (apt takes POSIX
# record locks, which /proc/locks lists by device and inode).
apt_lock_held() {
  local lock inode
  [ -r /proc/locks ] || return 1
  for lock in /var/lib/dpkg/lock-frontend /var/lib/dpkg/lock /var/lib/apt/lists/lock \
              /var/cache/apt/archives/lock; do
    inode=$(stat -c %i "$lock" 2>/dev/null) || continue
    grep -q ":$inode " /proc/locks && return 0
  done
  return 1
}

apt_get() {
  if apt_lock_held; then
    echo "$(basename "$0"): another package installation holds the package lock;" \
         "waiting up to ${GX_APT_LOCK_WAIT} s for it to finish" >&2
  fi
  $SUDO apt-get -o DPkg::Lock::Timeout="$GX_APT_LOCK_WAIT" "$@"
}

# Installs the named packages that are not installed yet (one dpkg query, no network
# when nothing is missing).
apt_install_missing() {
  local installed
  # dpkg-query fails for a package it has never heard of; that one is simply missing.
  installed=$({ dpkg-query -W -f='${Package}:${Status}\n' "$@" 2>/dev/null || true; } |
              sed -n 's/^\([^:]*\):install ok installed$/\1/p' | sort -u)
  local want=() p
  for p in "$@"; do
    grep -qx "${p%%:*}" <<<"$installed" || want+=("$p")
  done
  [ ${#want[@]} -eq 0 ] && return 0
  if [ -z "${GX_APT_UPDATED:-}" ]; then
    apt_get update -qq
    GX_APT_UPDATED=1
  fi
  apt_get install -y -qq --no-install-recommends "${want[@]}" >/dev/null
}
