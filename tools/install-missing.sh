# Sourced by tools/install-deps.sh: one rule for installing Debian packages.
#   install_missing PACKAGE...   installs those of the packages that are not
#                                installed yet; fails when apt-get cannot
#   installed PACKAGE            whether it is installed
# apt-get runs directly as root, and through sudo otherwise. The package lists
# are refreshed before the first install of a run, and again after
# install_lists_changed (a new architecture, say). A failed refresh does not
# stop the install: a mirror caught mid-sync fails one index while the others
# still serve.

install_as_root=()
[ "$(id -u)" -eq 0 ] || install_as_root=(sudo)
install_updated=no

install_lists_changed() {
    install_updated=no
}

# installed PACKAGE: whether dpkg has the package installed.
installed() {
    dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"
}

install_missing() {
    local missing=() package
    for package in "$@"; do
        installed "$package" || missing+=("$package")
    done
    [ ${#missing[@]} -gt 0 ] || return 0
    echo "installing: ${missing[*]}"
    if [ "$install_updated" = no ]; then
        "${install_as_root[@]}" apt-get update -q ||
            echo "install: apt-get update reported failures; going on with the package lists it has" >&2
        install_updated=yes
    fi
    "${install_as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
}
