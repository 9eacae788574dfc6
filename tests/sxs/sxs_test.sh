#!/bin/bash
# sxs_test.sh --dll FILE --manifest FILE --client-manifest FILE --client FILE
#             --work DIR --wine-run FILE --arch win32|win64
#
# Use without registration: in a Wine prefix of its own where nothing was
# ever registered, an application folder holds the client program, the DLL
# and the library's manifest, and the client finds every class through its
# own application manifest.  The same program without its manifest must not
# find them, so it is the manifest that does it.
set -u

die() { echo "sxs_test: $*" >&2; exit 2; }

dll= manifest= client_manifest= client= work= wine_run= arch=
while [[ $# -gt 0 ]]; do
  case $1 in
    --dll) dll=$2 ;;
    --manifest) manifest=$2 ;;
    --client-manifest) client_manifest=$2 ;;
    --client) client=$2 ;;
    --work) work=$2 ;;
    --wine-run) wine_run=$2 ;;
    --arch) arch=$2 ;;
    *) die "unknown argument $1" ;;
  esac
  shift 2 || die "$1 needs a value"
done
for f in "$dll" "$manifest" "$client_manifest" "$client" "$wine_run"; do
  [[ -n $f && -r $f ]] || die "missing or unreadable file '$f' (see the usage at the top)"
done
[[ -n $work && -n $arch ]] || die "--work and --arch are required"

# shellcheck source=tools/session.sh
source "$(dirname "$wine_run")/session.sh"
app=$work/app
trap 'kb_fresh_prefix_remove "$app"' EXIT
kb_fresh_prefix "$work/prefix" "$arch" || die "cannot create a Wine prefix"

rm -rf "$app"
mkdir -p "$app"
cp "$dll" "$manifest" "$app/"
cp "$client" "$app/sxs_client.exe"
cp "$client_manifest" "$app/sxs_client.exe.manifest"
cp "$client" "$app/bare_client.exe"

status=0
for mode in manifest bare; do
  program=sxs_client.exe
  [[ $mode == bare ]] && program=bare_client.exe
  out=$(cd "$app" && timeout -k 5 120 "$wine_run" --prefix="$WINEPREFIX" "$program" "--$mode" |
        tr -d '\r') || status=1
  printf '%s\n' "$out"
  [[ $(printf '%s\n' "$out" | tail -n 1) == "DONE 0 failed" ]] || status=1
done
exit $status
