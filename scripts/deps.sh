# Debian 12 packages the project needs; sourced by run.sh, test.sh and .ci/run.
build_packages=(
    cmake g++ make pkg-config
    qt6-base-dev libgl-dev
    libminizip-dev libzip-dev libexpat1-dev libgsf-1-dev libfontconfig-dev libfreetype-dev libicu-dev
    fonts-liberation fonts-crosextra-carlito fonts-crosextra-caladea
)
test_packages=(
    googletest libgtest-dev
    python3 python3-xlrd python3-olefile
    libreoffice-calc-nogui python3-uno
    gnumeric
    default-jdk-headless libapache-poi-java
)
# The sanitizer, fuzzing and valgrind step (scripts/sanitize.sh, scripts/valgrind.sh).
sanitize_packages=(
    clang libclang-rt-14-dev llvm ninja-build valgrind
)

# Installs what is missing (as root), or prints the one command to run.
ensure_packages() {
    local missing=() package
    for package in "$@"; do
        dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    if [ "$(id -u)" -eq 0 ]; then
        apt-get update -qq
        DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
    else
        echo "Some packages are missing. Run this once, then try again:"
        echo "  sudo apt-get update && sudo apt-get install -y --no-install-recommends ${missing[*]}"
        exit 1
    fi
}
