#!/usr/bin/env bash
# scripts/setup-deps.sh against stand-ins for dpkg, dpkg-query, apt-config and apt-get, first
# on PATH: a mirror in mid-sync (every update exits 100 on the security suite's i386 index, and
# the install cannot be resolved while that suite is in the sources), with sources in either
# format. Each case prints what the script printed.
#   tests/setup/setup_deps_test.sh ROOT
set -euo pipefail
root=$(cd "${1:?project root}" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
bin=$work/bin
mkdir -p "$bin"

cat >"$bin/dpkg" <<'SH'
#!/bin/sh
case $1 in
  --print-foreign-architectures) echo i386 ;;
  *) echo "dpkg $*" >>"$STANDIN/log" ;;
esac
SH
cat >"$bin/dpkg-query" <<'SH'
#!/bin/sh
for p; do :; done
grep -qx "$p" "$STANDIN/installed" && printf 'install ok installed'
SH
cat >"$bin/apt-config" <<'SH'
#!/bin/sh
echo apt-config >>"$STANDIN/log"
echo "list='$STANDIN/etc/sources.list'"
echo "parts='$STANDIN/etc/sources.list.d/'"
SH
# The mirror: "sync" fails every update, "once" the first one only, "broken" every update and
# every install.
cat >"$bin/apt-get" <<'SH'
#!/bin/sh
list=$STANDIN/etc/sources.list parts=$STANDIN/etc/sources.list.d/ cmd= given=
while [ $# -gt 0 ]; do
  case $1 in
    -o) case $2 in
          Dir::Etc::SourceList=*) list=${2#*=} given=" (own sources)" ;;
          Dir::Etc::SourceParts=*) parts=${2#*=}/ ;;
        esac
        shift ;;
    update|install) cmd=$1 ;;
  esac
  shift
done
mirror=$(cat "$STANDIN/mirror")
if [ "$cmd" = update ]; then
  echo update >>"$STANDIN/log"
  if [ "$mirror" = once ] && grep -q update "$STANDIN/updated" 2>/dev/null; then exit 0; fi
  echo update >>"$STANDIN/updated"
  cat >&2 <<'MSG'
E: Failed to fetch http://deb.debian.org/debian-security/dists/bookworm-security/main/binary-i386/Packages.xz  File has unexpected size (374820 != 376004). Mirror sync in progress? [IP: 203.0.113.80 80]
   Hashes of expected file:
    - Filesize:376004 [weak]
E: Some index files failed to download. They have been ignored, or old ones used instead.
MSG
  exit 100
fi
suites=$(cat "$list" "$parts"*.list "$parts"*.sources 2>/dev/null |
         sed -n -e 's/^deb \(\[[^]]*\] \)\{0,1\}[^ ]* \([^ ]*\).*/\2/p' -e 's/^Suites://p' | tr ' ' '\n' | grep . | sort | tr '\n' ' ')
echo "install$given:$suites" >>"$STANDIN/log"
# Resolved once the index is there, or with the main suite and without the one whose index is
# missing.
case $mirror:" $suites" in
  once:*) exit 0 ;;
  sync:*bookworm-security*) ;;
  sync:*" bookworm "*) exit 0 ;;
esac
echo "E: Unable to correct problems, you have held broken packages." >&2
exit 100
SH
printf '#!/bin/sh\nexec "$@"\n' >"$bin/sudo"
chmod +x "$bin"/*

deb822='Types: deb
# a comment of the stanza
URIs: http://deb.debian.org/debian
Suites: bookworm bookworm-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg

Types: deb
URIs: http://deb.debian.org/debian-security
Suites: bookworm-security
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg'
oneline='deb http://deb.debian.org/debian bookworm main
deb [ signed-by=/usr/share/keyrings/debian-archive-keyring.gpg ] http://deb.debian.org/debian-security/ bookworm-security main
# deb http://deb.debian.org/debian bookworm-backports main
deb http://deb.debian.org/debian bookworm-updates main'
everything=$(sed -n '/^for p in/,/; do$/p' "$root/scripts/setup-deps.sh" | tr -s ' \\' '\n' | grep -v '^\(for\|p\|in\|do\|;\)$' | tr -d ';')

failures=0
# case NAME SOURCES(deb822|oneline) MIRROR INSTALLED(all|some) STATUS LOG PRINTED...
# LOG is the stand-ins' commands, joined by "|"; each PRINTED is a line the output must hold.
check() {
  local name=$1 format=$2 mirror=$3 installed=$4 want_status=$5 want_log=$6
  shift 6
  local t=$work/$name status=0 out log
  mkdir -p "$t/etc/sources.list.d"
  if [ "$format" = deb822 ]; then
    echo "$deb822" >"$t/etc/sources.list.d/debian.sources"
    printf 'deb https://example.org/apt stable main\n' >"$t/etc/sources.list.d/other.list"
  else
    echo "$oneline" >"$t/etc/sources.list"
  fi
  echo "$mirror" >"$t/mirror"
  if [ "$installed" = all ]; then echo "$everything" >"$t/installed"; else grep -v 'wine32\|xdotool' <<<"$everything" >"$t/installed"; fi
  : >"$t/log"
  local sums; sums=$(cd "$t/etc" && find . -type f -exec md5sum {} +)
  out=$(STANDIN=$t PATH="$bin:$PATH" QUILLMAR_APT_PAUSE=0 bash "$root/scripts/setup-deps.sh" 2>&1) || status=$?
  log=$(paste -sd '|' "$t/log")
  echo "--- $name: status $status; printed:"
  [ -z "$out" ] || echo "$out"
  local bad=()
  [ "$status" = "$want_status" ] || bad+=("status $status, expected $want_status")
  [ "$log" = "$want_log" ] || bad+=("commands: $log" "expected: $want_log")
  [ "$(cd "$t/etc" && find . -type f -exec md5sum {} +)" = "$sums" ] || bad+=("the machine's sources changed")
  for line; do grep -qF -- "$line" <<<"$out" || bad+=("not printed: $line"); done
  [ -n "$*" ] || [ -z "$out" ] || bad+=("printed something")
  if [ ${#bad[@]} -gt 0 ]; then printf 'FAILED: %s\n' "${bad[@]}"; failures=$((failures + 1)); fi
}

u='update|update|update'
all='bookworm bookworm-security bookworm-updates'
check every-package-present deb822 sync all 0 ''
check mirror-sync-deb822 deb822 sync some 0 "$u|install:$all stable |apt-config|install (own sources):bookworm bookworm-updates stable " \
  'apt-get update failed (status 100), 1 index(es) missing; trying again in 0 s' \
  'http://deb.debian.org/debian-security/dists/bookworm-security/main/binary-i386/Packages.xz File has unexpected size (374820 != 376004). Mirror sync in progress?' \
  'E: Unable to correct problems, you have held broken packages.' \
  'leaving out the suite bookworm-security of http://deb.debian.org/debian-security: without its index' \
  'installed without those suites'
check mirror-sync-sources.list oneline sync some 0 "$u|install:$all |apt-config|install (own sources):bookworm bookworm-updates " \
  'leaving out the suite bookworm-security of http://deb.debian.org/debian-security:' 'installed without those suites'
check update-fails-once deb822 once some 0 "update|update|install:$all stable " 'trying again in 0 s'
check nothing-helps oneline broken some 1 "$u|install:$all |apt-config|install (own sources):bookworm bookworm-updates " \
  'apt-get install failed with and without those suites; the index that failed:' \
  'http://deb.debian.org/debian-security/dists/bookworm-security/main/binary-i386/Packages.xz File has unexpected size' \
  'once the mirror has caught up, run again: bash scripts/setup-deps.sh'
[ "$failures" -eq 0 ] || { echo "$failures case(s) failed"; exit 1; }
echo "all cases passed"
