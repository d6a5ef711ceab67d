#!/usr/bin/env bash
# The release command, end to end:
#   - a release built in another folder, with another TZ, umask and locale, is the shipped
#     install.exe byte for byte, and its SHA256SUMS checks;
#   - signed with a throwaway certificate made here (no key is kept), it verifies against that
#     certificate, and without its signature it is the shipped bytes again;
#   - timestamped by a time-stamping server of its own, on loopback, it verifies too;
#   - each bad input ends with its one-line reason and a non-zero exit, and leaves neither
#     install.exe nor SHA256SUMS in OUT, not even an earlier release's;
#   - a signed copy of the install.exe that the end-to-end tests start still runs: the
#     lifecycle scenario drives it.
#   release_test.sh ROOT SHIPPED_EXE E2E_EXE E2E_PROGRAM RIGDIR
set -uo pipefail
root=${1:?project root}
shipped=${2:?shipped install.exe}
e2e_exe=${3:?the install.exe of the end-to-end tests}
e2e_program=${4:?e2e test program}
rigdir=${5:?rig folder}
# A publisher's own signing settings do not reach these runs.
unset QUILLMAR_SIGN_PKCS12 QUILLMAR_SIGN_PASSWORD_FILE QUILLMAR_SIGN_TIMESTAMP_URL QUILLMAR_SIGN_CAFILE \
      QUILLMAR_E2E_INSTALL_EXE

work=$(mktemp -d "${TMPDIR:-/tmp}/quillmar-release-test.XXXXXX")
tsa_pid=
trap '[ -z "$tsa_pid" ] || kill "$tsa_pid" 2>/dev/null; rm -rf "$work"' EXIT
failures=0
passes=0
check() {   # check WHAT CONDITION...: one line per expectation
  local what=$1; shift
  if "$@"; then passes=$((passes + 1)); else echo "FAIL: $what"; failures=$((failures + 1)); fi
}
sha() { sha256sum "$1" | cut -d' ' -f1; }
same_bytes() { cmp -s "$1" "$2"; }
sums_check() { (cd "$1" && sha256sum -c --quiet SHA256SUMS); }
says() { grep -Fq -- "$2" "$1" || { echo "  $1 lacks: $2"; sed 's/^/  | /' "$1"; return 1; }; }
release() {   # release LOG OUT [ENV...]: the release command of the tree as it is
  local log=$1 out=$2; shift 2
  env "$@" bash "$root/scripts/release.sh" --worktree "$out" >"$log" 2>&1
}

# ---- reproducible: another folder, time zone, umask and locale ----
(umask 077; release "$work/plain.log" "$work/plain" TZ=Pacific/Kiritimati LC_ALL=C LANG=C)
check "the unsigned release succeeds" [ $? -eq 0 ]
check "the release is the shipped install.exe ($(sha "$shipped"))" same_bytes "$work/plain/install.exe" "$shipped"
check "sha256sum -c SHA256SUMS passes in OUT" sums_check "$work/plain"
check "the release says it is not signed" says "$work/plain.log" 'Windows will show "Unknown publisher"'

# ---- a throwaway publisher ----
cd "$work"
printf 'throwaway password\n' > pass
printf 'not the password\n' > wrongpass
cert() {   # cert NAME EXTENDED_KEY_USAGE: NAME.pem and NAME.pfx, self-signed, for two days
  openssl req -x509 -newkey rsa:2048 -nodes -keyout "$1.key" -out "$1.pem" -days 2 \
          -subj "/CN=Quillmar throwaway $1" -addext "extendedKeyUsage=$2" \
          -addext "keyUsage=critical,digitalSignature" 2>/dev/null &&
    openssl pkcs12 -export -inkey "$1.key" -in "$1.pem" -out "$1.pfx" -passout file:pass
}
cert signer codeSigning
cert tls serverAuth
cert tsa critical,timeStamping   # the time-stamping server's, below
openssl x509 -in signer.pem -signkey signer.key -days -1 -out expired.pem 2>/dev/null
openssl pkcs12 -export -inkey signer.key -in expired.pem -out expired.pfx -passout file:pass
rm -f signer.key tls.key

release "$work/signed.log" "$work/signed" QUILLMAR_SIGN_PKCS12="$work/signer.pfx" QUILLMAR_SIGN_PASSWORD_FILE="$work/pass"
check "the signed release succeeds" [ $? -eq 0 ]
check "osslsigncode verify -CAfile accepts the signed install.exe" \
  bash -c "osslsigncode verify -CAfile '$work/signer.pem' -in '$work/signed/install.exe' 2>&1 | grep -q 'Signature verification: ok'"
osslsigncode remove-signature -in "$work/signed/install.exe" -out "$work/stripped.exe" >/dev/null 2>&1
check "without its signature the signed file is the shipped install.exe" same_bytes "$work/stripped.exe" "$shipped"
check "SHA256SUMS lists the signed file" sums_check "$work/signed"
check "the release says the signature ends with the certificate" says "$work/signed.log" "the signature ends with the certificate's validity"
check "the password never reaches the output" bash -c "! grep -q 'throwaway password' '$work/signed.log'"

# ---- a timestamp, from a time-stamping server of the test's own on loopback ----
echo 01 > tsa.serial
cat > ts.cnf <<CNF
[ tsa ]
default_tsa = throwaway
[ throwaway ]
serial = $work/tsa.serial
signer_cert = $work/tsa.pem
signer_key = $work/tsa.key
signer_digest = sha256
default_policy = 1.3.6.1.4.1.311.99.1
digests = sha256
accuracy = secs:1
ess_cert_id_alg = sha256
CNF
for _ in 1 2 3 4 5; do
  port=$((30000 + RANDOM % 30000))
  socat "TCP-LISTEN:$port,bind=127.0.0.1,reuseaddr,fork" SYSTEM:"bash '$root/tests/release/tsa-reply.sh' '$work'" 2>/dev/null &
  tsa_pid=$!
  sleep 0.3
  kill -0 "$tsa_pid" 2>/dev/null && break
done
signing=(QUILLMAR_SIGN_PKCS12="$work/signer.pfx" QUILLMAR_SIGN_PASSWORD_FILE="$work/pass" QUILLMAR_SIGN_TIMESTAMP_URL="http://127.0.0.1:$port/")
release "$work/stamped.log" "$work/stamped" "${signing[@]}" QUILLMAR_SIGN_CAFILE="$work/tsa.pem"
check "the timestamped release succeeds" [ $? -eq 0 ]
check "the release says it is timestamped" says "$work/stamped.log" "timestamped by http://127.0.0.1:$port/"
check "osslsigncode verify accepts the timestamp" \
  bash -c "osslsigncode verify -CAfile '$work/signer.pem' -TSA-CAfile '$work/tsa.pem' -in '$work/stamped/install.exe' 2>&1 | grep -q 'Timestamp Server Signature verification: ok'"
osslsigncode remove-signature -in "$work/stamped/install.exe" -out "$work/stamped-stripped.exe" >/dev/null 2>&1
check "without its timestamped signature the file is the shipped install.exe" same_bytes "$work/stamped-stripped.exe" "$shipped"

# ---- bad input: a reason, a failure, and nothing released ----
bad() {   # bad NAME EXPECTED_TEXT ENV...
  local name=$1 text=$2; shift 2
  local out=$work/bad-$name
  mkdir -p "$out"
  echo stale > "$out/install.exe"
  echo stale > "$out/SHA256SUMS"
  release "$work/$name.log" "$out" "$@"
  local status=$?
  check "$name: the release fails" [ $status -ne 0 ]
  check "$name: its reason" says "$work/$name.log" "$text"
  check "$name: no install.exe and no SHA256SUMS in OUT" bash -c "[ ! -e '$out/install.exe' ] && [ ! -e '$out/SHA256SUMS' ]"
}
bad wrong-password "wrong password" QUILLMAR_SIGN_PKCS12="$work/signer.pfx" QUILLMAR_SIGN_PASSWORD_FILE="$work/wrongpass"
bad not-for-code-signing "is not for code signing" QUILLMAR_SIGN_PKCS12="$work/tls.pfx" QUILLMAR_SIGN_PASSWORD_FILE="$work/pass"
bad expired "expired on" QUILLMAR_SIGN_PKCS12="$work/expired.pfx" QUILLMAR_SIGN_PASSWORD_FILE="$work/pass"
bad missing-pkcs12 "cannot read the PKCS#12 file" QUILLMAR_SIGN_PKCS12="$work/none.pfx" QUILLMAR_SIGN_PASSWORD_FILE="$work/pass"
bad no-password-file "QUILLMAR_SIGN_PASSWORD_FILE is not set" QUILLMAR_SIGN_PKCS12="$work/signer.pfx"
bad untrusted-timestamp "does not verify" "${signing[@]}"

# A release names a commit: a checkout with a changed tracked file is refused.
git clone -q "$root" "$work/clone"
cp "$root/scripts/release.sh" "$work/clone/scripts/release.sh"
echo "# changed" >> "$work/clone/README.md"
mkdir -p "$work/dirty"
bash "$work/clone/scripts/release.sh" "$work/dirty" >"$work/dirty.log" 2>&1
check "uncommitted changes: the release fails" [ $? -ne 0 ]
check "uncommitted changes: its reason" says "$work/dirty.log" "have uncommitted changes"
check "uncommitted changes: nothing in OUT" [ ! -e "$work/dirty/install.exe" ]

# ---- the signed program runs ----
# The lifecycle scenario drives the signed shipped file where this machine runs 32-bit
# programs; elsewhere it drives this tree's x86_64 build, signed the same way.
if same_bytes "$e2e_exe" "$shipped"; then
  driven=$work/signed/install.exe
else
  driven=$work/signed-e2e.exe
  osslsigncode sign -pkcs12 "$work/signer.pfx" -readpass "$work/pass" -h sha256 -n "Quillmar installer" \
    -in "$e2e_exe" -out "$driven" >/dev/null 2>&1
  echo "release test: 32-bit programs do not run here: the lifecycle scenario drives the signed x86_64 build"
fi
QUILLMAR_E2E_INSTALL_EXE=$driven "$root/scripts/wine-run" "$rigdir" "$e2e_program" \
  --gtest_filter='Lifecycle.*' --gtest_color=no >"$work/e2e.log" 2>&1
check "the lifecycle scenario passes with the signed install.exe" [ $? -eq 0 ]
check "the scenario drove the signed copy" says "$work/e2e.log" "e2e: driving $driven"
grep -E '^\[  (PASSED|FAILED)|^\[ +(OK|FAILED) +\]' "$work/e2e.log"

echo "$passes passed, $failures failed"
[ $failures -eq 0 ]
