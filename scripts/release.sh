#!/usr/bin/env bash
# The release command: builds the shipped install.exe from the checkout's commit in a folder of
# its own, signs it when a publisher's certificate is given, verifies what it signed, and
# writes OUT/install.exe and OUT/SHA256SUMS (OUT defaults to build/dist).
#   scripts/release.sh [--worktree] [OUT]
# A release names a commit: a checkout whose tracked files have uncommitted changes is refused.
# --worktree builds the tracked files as they are, changes included (for the tests).
#
# Signing (Authenticode, SHA-256), from the environment:
#   QUILLMAR_SIGN_PKCS12         the publisher's code-signing certificate with its key (.pfx)
#   QUILLMAR_SIGN_PASSWORD_FILE  a file whose first line is that file's password
#   QUILLMAR_SIGN_TIMESTAMP_URL  an RFC 3161 time-stamping server (optional)
#   QUILLMAR_SIGN_CAFILE         the certificates that the publisher's chains up to, where the
#                                .pfx file and the system's list lack them (optional)
# The password is handed to openssl and osslsigncode as a file name, never as text.
#
# Every failure is one line naming the problem and a non-zero exit, and OUT then holds no
# install.exe and no SHA256SUMS: an earlier release there is removed first.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

worktree=
out=
for arg in "$@"; do
  case $arg in
    --worktree) worktree=1 ;;
    -*) echo "release: unknown option $arg (usage: scripts/release.sh [--worktree] [OUT])" >&2; exit 2 ;;
    *) [ -z "$out" ] || { echo "release: one OUT folder only" >&2; exit 2; }; out=$arg ;;
  esac
done
out=${out:-$root/build/dist}

die() { echo "release: $*" >&2; exit 1; }

mkdir -p "$out" || die "cannot make the folder $out"
out=$(cd "$out" && pwd)
rm -f "$out/install.exe" "$out/SHA256SUMS"

bash "$root/scripts/setup-deps.sh"

# ---- the commit ----
commit=$(git -C "$root" rev-parse --verify -q HEAD) || die "$root is not a git checkout with a commit: a release names one"
dirty=$(git -C "$root" status --porcelain --untracked-files=no)
if [ -n "$dirty" ] && [ -z "$worktree" ]; then
  die "$(wc -l <<<"$dirty") tracked file(s) of $root have uncommitted changes: commit them first, a release names a commit"
fi

# ---- the publisher's certificate, checked before anything is built ----
pfx=${QUILLMAR_SIGN_PKCS12:-}
passfile=${QUILLMAR_SIGN_PASSWORD_FILE:-}
tsurl=${QUILLMAR_SIGN_TIMESTAMP_URL:-}
extra_ca=${QUILLMAR_SIGN_CAFILE:-}

tmp=$(mktemp -d "${TMPDIR:-/tmp}/quillmar-release.XXXXXX")
stage=
cleanup() { rm -rf "$tmp"; [ -z "$stage" ] || rm -rf "$stage"; }
trap cleanup EXIT

readable() { [ -f "$1" ] && head -c 1 "$1" >/dev/null 2>&1; }
# The reason in openssl's first complaint ("wrong tag"), or its first line.
first_error() {
  local why
  why=$(sed -n 's/^[0-9A-F]*:error:[0-9A-F]*:[^:]*:[^:]*:\([^:]*\):.*/\1/p' "$1" | head -n 1)
  [ -n "$why" ] || why=$(grep -v '^\s*$' "$1" | head -n 1)
  echo "$why"
}

if [ -n "$pfx" ]; then
  readable "$pfx" || die "cannot read the PKCS#12 file $pfx (QUILLMAR_SIGN_PKCS12)"
  [ -n "$passfile" ] || die "QUILLMAR_SIGN_PASSWORD_FILE is not set: name the file that holds the password of $pfx"
  readable "$passfile" || die "cannot read the password file $passfile (QUILLMAR_SIGN_PASSWORD_FILE)"
  # -legacy reads the older encryptions of .pfx files (RC2, 3DES) as well as today's.
  if ! openssl pkcs12 -legacy -in "$pfx" -passin "file:$passfile" -nokeys -out "$tmp/certs.pem" 2>"$tmp/err"; then
    grep -qiE 'mac verify|invalid password' "$tmp/err" &&
      die "wrong password: the first line of $passfile does not open $pfx"
    die "$pfx cannot be read as a PKCS#12 file ($(first_error "$tmp/err"))"
  fi
  openssl pkcs12 -legacy -in "$pfx" -passin "file:$passfile" -nokeys -clcerts -out "$tmp/cert.pem" 2>/dev/null
  grep -q 'BEGIN CERTIFICATE' "$tmp/cert.pem" || die "$pfx holds no certificate of its own key"
  subject=$(openssl x509 -in "$tmp/cert.pem" -noout -subject -nameopt oneline | sed 's/^subject= *//')
  not_before=$(openssl x509 -in "$tmp/cert.pem" -noout -startdate | cut -d= -f2)
  not_after=$(openssl x509 -in "$tmp/cert.pem" -noout -enddate | cut -d= -f2)
  openssl x509 -in "$tmp/cert.pem" -noout -checkend 0 >/dev/null ||
    die "the certificate in $pfx ($subject) expired on $not_after"
  [ "$(date -u -d "$not_before" +%s)" -le "$(date -u +%s)" ] ||
    die "the certificate in $pfx ($subject) is not valid before $not_before"
  usage=$(openssl x509 -in "$tmp/cert.pem" -noout -ext extendedKeyUsage,keyUsage 2>/dev/null || true)
  grep -q 'Code Signing' <<<"$usage" ||
    die "the certificate in $pfx ($subject) is not for code signing: its extended key usage does not list Code Signing"
  if grep -q '^X509v3 Key Usage' <<<"$usage" && ! grep -q 'Digital Signature' <<<"$usage"; then
    die "the certificate in $pfx ($subject) may not sign: its key usage lacks Digital Signature"
  fi
  if [ -n "$extra_ca" ]; then
    readable "$extra_ca" || die "cannot read the certificates $extra_ca (QUILLMAR_SIGN_CAFILE)"
  fi
else
  for v in QUILLMAR_SIGN_PASSWORD_FILE QUILLMAR_SIGN_TIMESTAMP_URL QUILLMAR_SIGN_CAFILE; do
    [ -z "${!v:-}" ] || die "$v is set but QUILLMAR_SIGN_PKCS12 is not: name the certificate to sign with, or unset $v"
  done
fi

# ---- the build, from a copy of the sources in a folder of its own ----
mkdir "$tmp/src"
if [ -z "$worktree" ]; then
  git -C "$root" archive --format=tar "$commit" | tar -x -C "$tmp/src"
else
  git -C "$root" ls-files -z | (cd "$root" && while IFS= read -r -d '' f; do
    [ -e "$f" ] && printf '%s\0' "$f"
  done) | tar -C "$root" --null -T - -c | tar -x -C "$tmp/src"
fi
if ! "$tmp/src/scripts/build-win" "$tmp/build" i686 installer >"$tmp/build.log" 2>&1; then
  tail -n 20 "$tmp/build.log" >&2
  die "the build of install.exe failed (its last lines are above)"
fi
unsigned=$tmp/build/install.exe
version=$(sed -n 's/^project(quillmar_installer VERSION \([0-9.]*\).*/\1/p' "$tmp/src/CMakeLists.txt")
"$tmp/src/scripts/check-shipped" "$unsigned" "$version" >"$tmp/check.log" 2>&1 ||
  die "the built install.exe fails the shipped-binary checks: $(grep -v '^install.exe: [0-9]* bytes' "$tmp/check.log" | head -n 1)"
final=$unsigned

# ---- signing, and the proof of what was signed ----
if [ -n "$pfx" ]; then
  signed=$tmp/signed.exe
  ts=()
  [ -z "$tsurl" ] || ts=(-ts "$tsurl")
  if ! osslsigncode sign -pkcs12 "$pfx" -readpass "$passfile" -h sha256 -n "Quillmar installer" \
       "${ts[@]}" -in "$unsigned" -out "$signed" >"$tmp/sign.log" 2>&1; then
    die "osslsigncode could not sign: $(grep -iE 'error|fail' "$tmp/sign.log" | head -n 1)"
  fi
  # Trusted for the check: the .pfx file's certificates, the given ones and the system's.
  cat "$tmp/certs.pem" > "$tmp/trust.pem"
  [ -z "$extra_ca" ] || cat "$extra_ca" >> "$tmp/trust.pem"
  [ ! -r /etc/ssl/certs/ca-certificates.crt ] || cat /etc/ssl/certs/ca-certificates.crt >> "$tmp/trust.pem"
  tsa=()
  [ -z "$tsurl" ] || tsa=(-TSA-CAfile "$tmp/trust.pem")
  if ! osslsigncode verify -CAfile "$tmp/trust.pem" "${tsa[@]}" -in "$signed" >"$tmp/verify.log" 2>&1 ||
     ! grep -q 'Signature verification: ok' "$tmp/verify.log"; then
    die "the signature does not verify against the certificate: $(grep -iE 'error|fail' "$tmp/verify.log" | head -n 1)"
  fi
  # Without a trusted timestamp the check above falls back to the present time; say so.
  if [ -n "$tsurl" ] && ! grep -q 'Timestamp Server Signature verification: ok' "$tmp/verify.log"; then
    die "the timestamp from $tsurl does not verify: give the certificates its signer chains up to in QUILLMAR_SIGN_CAFILE"
  fi
  osslsigncode remove-signature -in "$signed" -out "$tmp/stripped.exe" >/dev/null 2>&1 &&
    cmp -s "$tmp/stripped.exe" "$unsigned" ||
    die "the signed install.exe, its signature removed, is not the unsigned build byte for byte"
  final=$signed
fi

# ---- OUT: both files appear together, or neither ----
stage=$(mktemp -d "$out/.release.XXXXXX")
cp "$final" "$stage/install.exe"
(cd "$stage" && sha256sum install.exe > SHA256SUMS)
mv "$stage/install.exe" "$out/install.exe"
mv "$stage/SHA256SUMS" "$out/SHA256SUMS"

sha() { sha256sum "$1" | cut -d' ' -f1; }
echo "release: commit $commit ($(git -C "$root" log -1 --format=%cd --date=iso-strict "$commit"))"
[ -z "$dirty" ] || echo "release: built from the working tree with uncommitted changes: not a release of that commit"
echo "release: $out/install.exe, $(stat -c %s "$out/install.exe") bytes, SHA-256 $(sha "$out/install.exe")"
if [ -n "$pfx" ]; then
  echo "release: signed by $subject (SHA-256, \"Quillmar installer\"); the signature verifies"
  echo "release: unsigned build, which anyone rebuilds from the commit: $(stat -c %s "$unsigned") bytes, SHA-256 $(sha "$unsigned")"
  if [ -n "$tsurl" ]; then
    echo "release: timestamped by $tsurl: the signature stays valid after the certificate expires"
  else
    echo "release: no timestamp (QUILLMAR_SIGN_TIMESTAMP_URL is not set): the signature ends with the certificate's validity, $not_after"
  fi
else
  echo "release: NOT signed (QUILLMAR_SIGN_PKCS12 is not set): Windows will show \"Unknown publisher\" when it asks for elevation, and SmartScreen may warn about the download"
fi
echo "release: $out/SHA256SUMS lists it (sha256sum -c SHA256SUMS in $out)"
