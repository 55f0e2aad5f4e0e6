#!/bin/bash
# The decisions of scripts/install-deps, replayed against stand-ins for id, sudo, dpkg-query and
# apt-get on PATH, so that nothing is ever installed: which packages it hands to apt-get and as
# whom, and what it says and returns when it may not install them. Last, `make demo` and
# `make test` must stop on that message before anything is configured.
#   install_deps_test.sh SOURCE_DIR
set -u
unset DEBIAN_FRONTEND  # the script must set it for apt-get itself
unset MAKEFLAGS MFLAGS MAKELEVEL  # the make runs below stand alone, also under make test
root=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
build_packages="g++ cmake make libcli11-dev libpugixml-dev libboost-math-dev libgtest-dev libgmock-dev zlib1g-dev"

# A PATH of stand-ins in $work/bin. Their state lives beside them: the user id, the installed
# packages (one a line), whether sudo asks for a password, whether apt-get install fails, and
# the log of apt-get calls.
make_stubs() {  # uid sudo(none|nopasswd|password) apt(ok|fail) installed...
  local uid=$1 sudo=$2 apt=$3
  shift 3
  rm -rf "$work/bin" && mkdir "$work/bin"
  ln -s /bin/bash "$work/bin/bash"
  ln -s /usr/bin/env "$work/bin/env"
  echo "$uid" >"$work/bin/uid"
  printf '%s\n' "$@" >"$work/bin/installed"
  : >"$work/bin/log"
  [ "$apt" = fail ] && : >"$work/bin/apt-fails"
  printf '#!/bin/bash\n[ "$1" = -u ] && echo "$(<"${0%%/*}/uid")"\n' >"$work/bin/id"
  cat >"$work/bin/dpkg-query" <<'STUB'
#!/bin/bash
package=${!#}
while read -r known; do
  [ "$known" = "$package" ] && { printf 'install ok installed'; exit 0; }
done <"${0%/*}/installed"
echo "dpkg-query: no packages found matching $package" >&2
exit 1
STUB
  cat >"$work/bin/apt-get" <<'STUB'
#!/bin/bash
here=${0%/*}
echo "${AS_SUDO:+sudo }apt-get $* (${DEBIAN_FRONTEND:-interactive})" >>"$here/log"
[ "$1" = install ] && [ -e "$here/apt-fails" ] && exit 100
exit 0
STUB
  case "$sudo" in
    nopasswd) printf '#!/bin/bash\n[ "$1" = -n ] && shift\nexport AS_SUDO=1\n"$@"\n' >"$work/bin/sudo" ;;
    password) printf '#!/bin/bash\necho "sudo: a password is required" >&2\nexit 1\n' >"$work/bin/sudo" ;;
  esac
  chmod +x "$work"/bin/*
}

# expect NAME STATUS LOG MESSAGE -- command...: the command's status, the apt-get log and a
# line the output must hold (empty: any).
expect() {
  local name=$1 status=$2 log=$3 message=$4
  shift 5
  local out got
  out=$(PATH="$work/bin" "$@" 2>&1)
  got=$?
  local fault=""
  [ "$got" = "$status" ] || fault+=" status $got, not $status;"
  [ "$(<"$work/bin/log")" = "$log" ] || fault+=" apt-get calls: [$(<"$work/bin/log")], not [$log];"
  if [ -n "$message" ] && ! grep -qxF -- "$message" <<<"$out"; then fault+=" no line \"$message\";"; fi
  if [ -n "$fault" ]; then
    echo "FAIL $name:$fault"
    echo "$out" | sed 's/^/    /'
    failures=$((failures + 1))
  else
    echo "ok   $name"
  fi
}

deps=("/bin/bash" "$root/scripts/install-deps")
update="apt-get update (interactive)"

make_stubs 1000 none ok $build_packages
expect "nothing missing: nothing done" 0 "" "" -- "${deps[@]}" build

make_stubs 0 none ok g++ cmake make libboost-math-dev libgtest-dev libgmock-dev zlib1g-dev
expect "root installs what is missing" 0 \
  "$update"$'\n'"apt-get install -y libcli11-dev libpugixml-dev (noninteractive)" \
  "install-deps: installing libcli11-dev libpugixml-dev" -- "${deps[@]}" build

make_stubs 1000 nopasswd ok g++ cmake make libcli11-dev libpugixml-dev libboost-math-dev libgtest-dev libgmock-dev
expect "password-less sudo installs" 0 \
  "sudo $update"$'\n'"sudo apt-get install -y zlib1g-dev (noninteractive)" "" -- "${deps[@]}" build

make_stubs 1000 none ok g++ make libcli11-dev libpugixml-dev libboost-math-dev libgtest-dev libgmock-dev zlib1g-dev
expect "no sudo: the line for root" 1 "" "    apt-get install -y cmake" -- "${deps[@]}" build

make_stubs 1000 password ok
expect "sudo with a password: the line for sudo" 1 "" "    sudo apt-get install -y clang libclang-rt-dev" \
  -- "${deps[@]}" fuzz

make_stubs 0 none fail
expect "a failed install fails" 100 "$update"$'\n'"apt-get install -y chromium (noninteractive)" "" \
  -- "${deps[@]}" browser

make_stubs 0 none ok cmake
expect "groups merge without repeats" 0 \
  "$update"$'\n'"apt-get install -y g++ make libcli11-dev libpugixml-dev libboost-math-dev libgtest-dev libgmock-dev zlib1g-dev chromium clang libclang-rt-dev slurmctld slurmd slurm-client munge (noninteractive)" \
  "" -- "${deps[@]}" build ci

for target in demo test; do
  make_stubs 1000 none ok
  expect "make $target stops before configuring" 2 "" "    apt-get install -y $build_packages" \
    -- /usr/bin/make --no-print-directory -C "$root" "$target" BUILD="$work/build-$target"
  if [ -e "$work/build-$target" ]; then
    echo "FAIL make $target configured $work/build-$target all the same"
    failures=$((failures + 1))
  fi
done

[ "$failures" -eq 0 ]
