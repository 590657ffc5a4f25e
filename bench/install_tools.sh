# Sourced by the benchmark scripts: installs the Debian packages named in the array `need`, if any.
# The benchmarks' tools are theirs alone; `make test` never needs them.
if [ ${#need[@]} -gt 0 ]; then
    echo "Installing ${need[*]}"
    sudo=""
    [ "$(id -u)" -ne 0 ] && sudo=sudo
    export DEBIAN_FRONTEND=noninteractive
    $sudo apt-get update -qq
    $sudo apt-get install -y -qq --no-install-recommends "${need[@]}" >/dev/null
fi
