# shellcheck shell=sh
# install-packages.sh - sourced by the quick-start scripts: install_packages PACKAGE... installs
# the Debian packages that are not installed yet (apt-get update first), as root or through sudo.
install_packages() {
  missing=""
  for package in "$@"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2> /dev/null | grep -q 'install ok installed'; then
      missing="$missing $package"
    fi
  done
  [ -z "$missing" ] && return 0
  if [ "$(id -u)" -eq 0 ]; then
    as_root=""
  elif command -v sudo > /dev/null 2>&1; then
    as_root="sudo"
  else
    echo "Installing$missing needs root: run this as root, or as a user with sudo." >&2
    return 1
  fi
  echo "Installing$missing"
  # $missing is a list of package names, split on purpose.
  # shellcheck disable=SC2086
  $as_root apt-get update -q &&
    $as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends $missing
}
