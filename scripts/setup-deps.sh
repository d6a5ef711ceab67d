#!/usr/bin/env bash
# Installs what the build, the demo, the tests and the release need on a stock Debian 12.
# Run as root (or through sudo). Does nothing when everything is already there: no apt
# command runs then.
#
# A package mirror in the middle of a sync serves some index that does not match its Release
# file, and `apt-get update` fails for it ("File has unexpected size ... Mirror sync in
# progress?"). The update is tried again a few times, QUILLMAR_APT_PAUSE seconds apart (10).
# With an index still missing, the install may not resolve: a Multi-Arch: same library must
# have one version on amd64 and i386, and when the security suite's i386 index is the one
# missing, its amd64 build comes from that suite and its i386 build only from the main one.
# The install is then tried once more without the suites whose index failed, through sources
# of its own (the machine's, found with apt-config, less those suites; both the one-line and
# the deb822 format). Only if that fails too does the script stop, naming the index.
set -euo pipefail

pause=${QUILLMAR_APT_PAUSE:-10}
tries=3
say() { echo "setup-deps: $*" >&2; }

need=()
have_pkg() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }

stale=
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  dpkg --add-architecture i386
  stale=1
fi

for p in make cmake g++-mingw-w64-i686 binutils-mingw-w64-i686 g++-mingw-w64-x86-64 binutils-mingw-w64-x86-64 googletest \
         wine wine32:i386 wine64 xvfb xdotool imagemagick x11-utils \
         clang libclang-rt-14-dev cppcheck fonts-wine \
         git openssl osslsigncode ca-certificates socat; do
  have_pkg "$p" || need+=("$p")
done
[ ${#need[@]} -gt 0 ] || [ -n "$stale" ] || exit 0

export DEBIAN_FRONTEND=noninteractive
sudo_cmd=()
[ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
later="once the mirror has caught up, run again: bash scripts/setup-deps.sh"
indexes() { sed 's/^/setup-deps:   /' <<<"$failed" >&2; }

# The update; "failed" keeps, from the last try, one line per index that could not be
# fetched: its URL and apt's reason.
for try in $(seq "$tries"); do
  status=0
  "${sudo_cmd[@]}" apt-get update -qq >"$tmp/update" 2>&1 || status=$?
  failed=$(sed -n 's/^[EW]: Failed to fetch \([^ ]*\)  *\(.*\)$/\1 \2/p' "$tmp/update" | sed 's/ *\[IP: [^]]*\]$//')
  [ "$status" -ne 0 ] || [ -n "$failed" ] || break
  missing=${failed:+, $(grep -c . <<<"$failed") index(es) missing}
  if [ "$try" -lt "$tries" ]; then
    say "apt-get update failed (status $status)$missing; trying again in $pause s"
    sleep "$pause"
  elif [ -n "$failed" ]; then
    say "apt-get update failed $tries times (status $status); the index that failed:"
    indexes
  else
    say "apt-get update failed $tries times (status $status):"
    cat "$tmp/update" >&2
  fi
done
if [ ${#need[@]} -eq 0 ]; then
  [ "$status" -eq 0 ] || say "$later"
  exit "$status"
fi

apt_install() {
  "${sudo_cmd[@]}" apt-get "$@" install -y -qq --no-install-recommends "${need[@]}" >"$tmp/install" 2>&1 && return
  grep '^E:' "$tmp/install" >&2 || cat "$tmp/install" >&2
  return 1
}
apt_install && exit 0
# Once more without the suites whose index failed: "URI SUITE" for each.
leave=$(sed -n 's|^\([^ ]*\)/dists/\([^/]*\)/.*|\1 \2|p' <<<"$failed" | sort -u)
if [ -z "$leave" ]; then
  say "apt-get install failed${failed:+; no suite to leave out for the index that failed}; $later"
  exit 1
fi
list='' parts=''
eval "$(apt-config shell list Dir::Etc::SourceList/f parts Dir::Etc::SourceParts/d)"
mkdir "$tmp/parts"
# One-line entries: "deb [options] URI SUITE COMPONENT...".
trim_lines() {
  awk -v leave="$leave" '
    BEGIN { n = split(leave, l, "\n"); for (k = 1; k <= n; k++) out[l[k]] = 1 }
    $1 ~ /^deb(-src)?$/ {
      i = 2
      if ($2 ~ /^\[/) { while (i < NF && $i !~ /\]$/) i++; i++ }
      uri = $i; sub(/\/+$/, "", uri)
      if ((uri " " $(i + 1)) in out) next
    }
    { print }'
}
# deb822 stanzas: the suites left out go from "Suites:"; a stanza with none left goes whole.
trim_stanzas() {
  awk -v leave="$leave" '
    BEGIN { RS = ""; FS = OFS = "\n"; n = split(leave, l, "\n"); for (k = 1; k <= n; k++) out[l[k]] = 1 }
    {
      uris = ""; at = 0
      for (i = 1; i <= NF; i++) {
        if (tolower($i) ~ /^uris:/) uris = substr($i, 6)
        if (tolower($i) ~ /^suites:/) at = i
      }
      if (at) {
        nu = split(uris, u, " "); ns = split(substr($at, 8), s, " "); kept = ""
        for (j = 1; j <= ns; j++) {
          gone = 0
          for (k = 1; k <= nu; k++) { v = u[k]; sub(/\/+$/, "", v); if ((v " " s[j]) in out) gone = 1 }
          if (!gone) kept = kept " " s[j]
        }
        if (kept == "") next
        $at = "Suites:" kept
      }
      printf "%s%s\n", (shown++ ? "\n" : ""), $0
    }'
}
if [ -f "$list" ]; then trim_lines <"$list" >"$tmp/sources.list"; else : >"$tmp/sources.list"; fi
for f in "$parts"*.list; do [ ! -f "$f" ] || trim_lines <"$f" >"$tmp/parts/${f##*/}"; done
for f in "$parts"*.sources; do [ ! -f "$f" ] || trim_stanzas <"$f" >"$tmp/parts/${f##*/}"; done

while read -r uri suite; do
  say "one more install, leaving out the suite $suite of $uri: without its index, a package's amd64" \
      "and i386 builds come from different suites, at different versions"
done <<<"$leave"
if apt_install -o Dir::Etc::SourceList="$tmp/sources.list" -o Dir::Etc::SourceParts="$tmp/parts"; then
  say "installed without those suites; once the mirror has caught up, bring their updates in: apt-get update && apt-get upgrade"
  exit 0
fi
say "apt-get install failed with and without those suites; the index that failed:"
indexes
say "$later"
exit 1
