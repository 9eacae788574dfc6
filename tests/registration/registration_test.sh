#!/bin/bash
# registration_test.sh --dll FILE --register FILE --members FILE --script FILE
#                      --work DIR --wine-run FILE [--arch win32|win64]
#                      [--client FILE --other-dll FILE --other-client FILE]
#
# Registers and unregisters the library in a Wine prefix of its own, made
# fresh under DIR and removed at the end (KITBAG_KEEP_PREFIX=1 keeps it):
# machine-wide with regsvr32, per user with kitbag-register, and checks the
# keys a client depends on after each step.  Prints one "ok"/"not ok" line a
# check and fails if any check failed.
#
# With the 32-bit build's DLL and client beside a 64-bit build, both builds
# are registered in the one 64-bit prefix and each is unregistered in turn:
# the other must stay whole.
set -u

die() { echo "registration_test: $*" >&2; exit 2; }

dll= register= members= script= work= wine_run= arch=win32 client= other_dll= other_client=
while [[ $# -gt 0 ]]; do
  case $1 in
    --dll) dll=$2 ;;
    --register) register=$2 ;;
    --members) members=$2 ;;
    --script) script=$2 ;;
    --work) work=$2 ;;
    --wine-run) wine_run=$2 ;;
    --arch) arch=$2 ;;
    --client) client=$2 ;;
    --other-dll) other_dll=$2 ;;
    --other-client) other_client=$2 ;;
    *) die "unknown argument $1" ;;
  esac
  shift 2 || die "$1 needs a value"
done
for f in "$dll" "$register" "$members" "$script" "$wine_run"; do
  [[ -n $f && -r $f ]] || die "missing or unreadable file '$f' (see the usage at the top)"
done
[[ -n $work ]] || die "--work is required"

# The identifiers every client has compiled in.  They are written out here
# rather than read from the member table, so that a change in the table that
# would break existing clients fails this test.
suffix=-BBDF-11D4-87FC-C5DB819DCD29
libid={6EC21191$suffix}
declare -A clsid=(
  [clsCommon]={6EC21193$suffix} [clsDataBase]={6EC2119C$suffix} [clsIniFiles]={6EC2119E$suffix}
  [clsRegistry]={6EC211A0$suffix} [clsResize]={6EC211A5$suffix})
declare -A iid=(
  [clsCommon]={6EC21192$suffix} [clsDataBase]={6EC2119B$suffix} [clsIniFiles]={6EC2119D$suffix}
  [clsRegistry]={6EC2119F$suffix} [clsResize]={6EC211A4$suffix})
classes=(clsCommon clsDataBase clsIniFiles clsRegistry clsResize)
marshaler={00020424-0000-0000-C000-000000000046}

to_windows() { local p; p=$(realpath "$1") && echo "Z:${p//\//\\}"; }
dll_win=$(to_windows "$dll")
register_win=$(to_windows "$register")
script_win=$(to_windows "$script")

failures=0
checks=0
pass() { checks=$((checks + 1)); echo "ok - $*"; }
fail() { checks=$((checks + 1)); failures=$((failures + 1)); echo "not ok - $*"; }

# ---- the prefix ---------------------------------------------------------------------
prefix=$work/prefix
view=${arch#win}
# shellcheck source=tools/session.sh
source "$(dirname "$wine_run")/session.sh"
cleanup() { kb_fresh_prefix_remove "$work"/*.dump "$work"/*.out; }
trap cleanup EXIT
start=$SECONDS
kb_fresh_prefix "$prefix" "$arch" || die "cannot create a Wine prefix in $prefix"
# Every call waits for a crash-free end; a crashed cscript hangs otherwise.
run() { timeout -k 5 120 "$wine_run" --prefix="$prefix" "$@"; }
echo "# fresh prefix in $((SECONDS - start)) s"

# ---- reading the registry -----------------------------------------------------------

# Every value below KEY as "key|name|data", one a line, in the registry view
# a client of the build's architecture sees; nothing when KEY does not exist.
dump() {
  run reg query "$1" /s /reg:$view 2>/dev/null | tr -d '\r' | awk '
    /^HKEY_/ { key = $0; next }
    /^    / {
      line = substr($0, 5)
      i = index(line, "    "); name = substr(line, 1, i - 1); rest = substr(line, i + 4)
      j = index(rest, "    "); data = j ? substr(rest, j + 4) : ""
      print key "|" name "|" data
    }'
}

# All keys of the library below ROOT (HKEY_CLASSES_ROOT or a Classes key).
dump_all() {
  local root=$1 c
  {
    dump "$root\\TypeLib\\$libid"
    for c in "${classes[@]}"; do
      dump "$root\\Kitbag.$c"
      dump "$root\\CLSID\\${clsid[$c]}"
      dump "$root\\Interface\\${iid[$c]}"
    done
  } | sort
}

# expect DUMPFILE KEY NAME DATA: the value exists with exactly that data.
expect() {
  local file=$1 key=$2 name=$3 data=$4 found
  if grep -qFx -- "$key|$name|$data" "$file"; then
    pass "$key [$name] = $data"
  else
    found=$(grep -F -- "$key|$name|" "$file" | head -1 | cut -d'|' -f3-)
    fail "$key [$name] = $data (found: ${found:-nothing})"
  fi
}

# The keys a client needs, below ROOT.
check_registered() {
  local root=$1 file=$2 c
  expect "$file" "$root\\TypeLib\\$libid\\1.0\\0\\$arch" "(Default)" "$dll_win"
  for c in "${classes[@]}"; do
    local key="$root\\CLSID\\${clsid[$c]}"
    expect "$file" "$root\\Kitbag.$c\\CLSID" "(Default)" "${clsid[$c]}"
    expect "$file" "$key\\InprocServer32" "(Default)" "$dll_win"
    expect "$file" "$key\\InprocServer32" "ThreadingModel" "Apartment"
    expect "$file" "$key\\ProgID" "(Default)" "Kitbag.$c"
    expect "$file" "$key\\TypeLib" "(Default)" "$libid"
    expect "$file" "$root\\Interface\\${iid[$c]}\\ProxyStubClsid32" "(Default)" "$marshaler"
    expect "$file" "$root\\Interface\\${iid[$c]}\\TypeLib" "(Default)" "$libid"
  done
}

# Not one key of the library is left below ROOT (in the registry view VIEW,
# the build's own by default).
check_gone() {
  local root=$1 what=$2 in_view=${3:-$view} c keys=()
  keys+=("$root\\TypeLib\\$libid")
  for c in "${classes[@]}"; do
    keys+=("$root\\Kitbag.$c" "$root\\CLSID\\${clsid[$c]}" "$root\\Interface\\${iid[$c]}")
  done
  local left=()
  for k in "${keys[@]}"; do
    run reg query "$k" /reg:$in_view >/dev/null 2>&1 && left+=("$k")
  done
  if [[ ${#left[@]} -eq 0 ]]; then
    pass "$what: no key of the library below $root"
  else
    fail "$what: keys left: ${left[*]}"
  fi
}

# create_objects present|absent: what a script gets from CreateObject.
create_objects() {
  local mode=$1 out=$work/cscript.out expected c
  run cscript //nologo "$script_win" | tr -d '\r' >"$out"
  expected=$(
    for c in "${classes[@]}"; do
      if [[ $mode == present ]]; then
        echo "CREATE $c 0"
        [[ $c == clsCommon ]] && echo "SEP_Get left 0"
      else
        echo "CREATE $c 429"  # ActiveX component can't create object
      fi
    done
    echo DONE
  )
  if [[ $(cat "$out") == "$expected" ]]; then
    pass "a script creates the classes ($mode)"
  else
    fail "a script creates the classes ($mode): got [$(tr '\n' ' ' <"$out")], expected [$(tr '\n' ' ' <<<"$expected")]"
  fi
}

# step DESCRIPTION COMMAND...: the command must succeed; the checks that
# depend on it are skipped when it does not.
step() {
  local what=$1 rc
  shift
  run "$@" >"$work/step.out" 2>&1
  rc=$?
  if [[ $rc -eq 0 ]]; then
    pass "$what"
  else
    fail "$what: exit code $rc: $(tr -d '\r' <"$work/step.out" | head -3)"
  fi
  return $rc
}

# ---- the identifiers ----------------------------------------------------------------
# KB_CLASS_BEGIN(cls, iface, impl, "clsid", "iid") in the member table.
table=$(tr -d ' \n\r\t' <"$members" | grep -o 'KB_CLASS_BEGIN([^)]*)' |
        sed -E 's/KB_CLASS_BEGIN\(([^,]*),[^,]*,[^,]*,"([^"]*)","([^"]*)"\)/\1 {\2} {\3}/')
listed=$(for c in "${classes[@]}"; do echo "$c ${clsid[$c]} ${iid[$c]}"; done)
if [[ $table == "$listed" ]]; then
  pass "the member table has the five classes with their published identifiers"
else
  fail "the member table and the published identifiers differ: [$table] vs [$listed]"
fi

# ---- machine-wide -------------------------------------------------------------------
machine=HKEY_CLASSES_ROOT
create_objects absent
step "regsvr32 /s registers" regsvr32 /s "$dll_win"
dump_all $machine >"$work/first.dump"
check_registered $machine "$work/first.dump"
create_objects present

step "registering again succeeds" regsvr32 /s "$dll_win"
dump_all $machine >"$work/second.dump"
if cmp -s "$work/first.dump" "$work/second.dump"; then
  pass "registering again leaves the same keys"
else
  fail "registering again changed the keys: $(diff "$work/first.dump" "$work/second.dump" | head -20)"
fi
create_objects present

step "regsvr32 /u /s unregisters" regsvr32 /u /s "$dll_win"
check_gone $machine "after regsvr32 /u"
create_objects absent
step "unregistering again succeeds" regsvr32 /u /s "$dll_win"

# ---- per user -----------------------------------------------------------------------
user='HKEY_CURRENT_USER\Software\Classes'
if step "kitbag-register /user registers" "$register_win" /user "$dll_win"; then
  dump_all "$user" >"$work/user.dump"
  check_registered "$user" "$work/user.dump"
  # The same keys as machine-wide, only below the user's classes.
  if cmp -s <(sed "s/^HKEY_CLASSES_ROOT\\\\/${user//\\/\\\\}\\\\/" "$work/first.dump") \
            "$work/user.dump"; then
    pass "per-user registration writes the same keys as machine-wide"
  else
    fail "per-user keys differ from machine-wide ones"
  fi
fi
check_gone 'HKEY_LOCAL_MACHINE\Software\Classes' "per-user registration"
step "kitbag-register /user /u unregisters" "$register_win" /user /u "$dll_win"
check_gone "$user" "after kitbag-register /user /u"

# ---- beside the other word size's build ------------------------------------------

# sees WHO CLIENT DLL present|absent: what a compiled client of that word
# size finds registered.
sees() {
  local who=$1 client_file=$2 dll_file=$3 mode=$4 out=$work/client.out
  if [[ $mode == present ]]; then
    run "$(to_windows "$client_file")" --registered "$dll_file" | tr -d '\r' >"$out"
  else
    run "$(to_windows "$client_file")" --absent | tr -d '\r' >"$out"
  fi
  if [[ ${PIPESTATUS[0]} -eq 0 && $(tail -1 "$out") == "DONE 0 failed" ]]; then
    pass "a $who client finds the classes $mode"
  else
    fail "a $who client finds the classes $mode: $(grep -v '^ok' "$out" | tr '\n' ' ')"
  fi
}

both_builds() {
  local other_win regsvr32_32='C:\windows\syswow64\regsvr32.exe'
  other_win=$(to_windows "$other_dll")
  step "the 32-bit build registers in the 32-bit view" "$regsvr32_32" /s "$other_win" || return
  step "the 64-bit build registers beside it" regsvr32 /s "$dll_win" || return
  sees 64-bit "$client" "$dll_win" present
  sees 32-bit "$other_client" "$other_win" present
  step "the 32-bit build unregisters" "$regsvr32_32" /u /s "$other_win"
  sees 64-bit "$client" "$dll_win" present
  sees 32-bit "$other_client" "$other_win" absent
  step "the 32-bit build registers again" "$regsvr32_32" /s "$other_win"
  step "the 64-bit build unregisters" regsvr32 /u /s "$dll_win"
  sees 32-bit "$other_client" "$other_win" present
  sees 64-bit "$client" "$dll_win" absent
  step "the 32-bit build unregisters too" "$regsvr32_32" /u /s "$other_win"
  check_gone $machine "after both builds unregistered, 64-bit view"
  check_gone $machine "after both builds unregistered, 32-bit view" 32
}

if [[ -n $other_dll ]]; then
  if [[ ! -r $other_dll || ! -r $other_client || ! -r $client ]]; then
    echo "# skipped: both builds in one prefix needs the 32-bit build ($other_dll); build it first"
  elif ! bash -c '. "$1" && kb_run_i386_probe' probe "$(dirname "$wine_run")/host.sh"; then
    echo "# skipped: both builds in one prefix: this machine runs no 32-bit programs"
  else
    both_builds
  fi
fi

echo "# $checks checks, $failures failed, $((SECONDS - start)) s"
[[ $failures -eq 0 ]]
