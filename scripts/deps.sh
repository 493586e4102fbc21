# Sourced by scripts/run and scripts/test: installs missing Debian packages.
TARNEL_PACKAGES="build-essential cmake ninja-build pkg-config qt6-base-dev qt6-base-dev-tools libgl-dev
  libjpeg62-turbo-dev zlib1g-dev libgtest-dev fonts-liberation qpdf poppler-utils
  libcairo2-dev libpango1.0-dev fonts-dejavu-core
  xvfb xauth x11-utils qt6-translations-l10n"
tarnel_install_deps() {
  local missing=""
  for p in $TARNEL_PACKAGES; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
  done
  [ -z "$missing" ] && return 0
  if [ "$(id -u)" = 0 ]; then
    echo "Installing:$missing"
    apt-get update -qq
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends $missing
  else
    echo "Missing packages. Run as root:"
    echo "  apt-get update && apt-get install -y --no-install-recommends$missing"
    exit 1
  fi
}
