#!/usr/bin/env bash
# ./dev dist run in two copies of the source, in folders of different names
# and lengths, one after the other: the two installers must be byte-identical
# and carry the version resource and the manifest. Then both are signed with a
# throwaway self-signed certificate: the signatures verify, are identical too
# (signing time from SOURCE_DATE_EPOCH), and a changed byte fails verification.
# The first one also installs, silently, under wine.
#   release_test.sh SOURCE_ROOT HOST_TOOLS_DIR
set -euo pipefail
root=$1 tools=$2
work=$(mktemp -d "${TMPDIR:-/tmp}/vx-dist.XXXXXX")
trap 'rm -rf "$work"' EXIT

fail() { echo "FAIL: $*" >&2; exit 1; }

# The tracked and the new files of the working tree, as they are now.
copy_source() {
  mkdir -p "$1"
  git -C "$root" ls-files -z --cached --others --exclude-standard |
    while IFS= read -r -d '' f; do [[ -f $root/$f ]] && printf '%s\0' "$f"; done |
    tar -C "$root" --null -T - -cf - | tar -C "$1" -xf -
}

SOURCE_DATE_EPOCH=$(git -C "$root" log -1 --format=%ct)
export SOURCE_DATE_EPOCH VX_HOST_TOOLS="$tools" VX_DEPS_DIR="$root/build/deps"
unset VX_BUILD_DIR VX_DIST_DIR VX_SIGN_CERT VX_SIGN_KEY VX_SIGN_PASS_FILE

# dist SOURCE LOG [VAR=VALUE...]: ./dev dist in that copy; its output in LOG.
dist() {
  local src=$1 log=$2
  shift 2
  env "$@" "$src/dev" dist >"$log" 2>&1 || { cat "$log" >&2; fail "./dev dist in $src"; }
}

a="$work/a/src" b="$work/second-build-folder/VexiloSetup-source"
copy_source "$a"
copy_source "$b"
dist "$a" "$work/a.log"
dist "$b" "$work/b.log"
exe_a="$a/dist/VexiloSetup.exe" exe_b="$b/dist/VexiloSetup.exe"
grep -q '^unsigned' "$work/a.log" || fail "an unsigned build does not say so"
if ! cmp -s "$exe_a" "$exe_b"; then
  echo "bytes that differ (offset, octal a, octal b):" >&2
  cmp -l "$exe_a" "$exe_b" | head -20 >&2
  fail "two release builds of one source differ"
fi
echo "release builds identical: $(sha256sum "$exe_a" | cut -d' ' -f1), $(stat -c %s "$exe_a") bytes"

# The exe as shipped, at work: a silent install under wine (a prefix and a
# display of its own, from the shared prefix template) must exit 0 and lay
# out exactly the staged payload tree. The release link and libraries are
# built differently from those the other tests run.
mkdir -p "$a/build"
ln -sfn "$root/build/wine-template" "$a/build/wine-template"
drive_c="$a/build/wineprefix/drive_c"
"$a/dev" shell >"$work/install.log" 2>&1 <<EOS
wine "$exe_a" -1 'C:\vxrelease' </dev/null >/dev/null 2>&1; echo "installer exit code \$?"
EOS
grep -q '^installer exit code 0$' "$work/install.log" || { cat "$work/install.log" >&2; fail "the release exe did not install"; }
diff -r "$a/build/release/data/payload/stage" "$drive_c/vxrelease/Vexilo" >&2 ||
  fail "the release exe did not lay out the payload"
echo "release exe installs: $(find "$drive_c/vxrelease/Vexilo" -type f | wc -l) files"

# A grep pattern for TEXT in UTF-16LE, the resources' strings.
utf16() { local s=$1 out="" i; for ((i = 0; i < ${#s}; i++)); do out+="${s:i:1}\\x00"; done; printf '%s' "$out"; }
LC_ALL=C grep -qaP "$(utf16 VS_VERSION_INFO)" "$exe_a" || fail "no version resource"
LC_ALL=C grep -qaP "$(utf16 'Vexilo Setup')" "$exe_a" || fail "the version resource lost its description"
LC_ALL=C grep -qaF 'requestedExecutionLevel' "$exe_a" || fail "no manifest"

# A throwaway code-signing certificate, self-signed.
openssl req -x509 -newkey rsa:2048 -nodes -sha256 -days 2 -subj "/CN=Vexilo test signer" \
  -addext "extendedKeyUsage=codeSigning" -keyout "$work/key.pem" -out "$work/cert.pem" 2>/dev/null
for src in "$a" "$b"; do
  dist "$src" "$work/sign.log" VX_SIGN_CERT="$work/cert.pem" VX_SIGN_KEY="$work/key.pem"
  grep -q '^signed' "$work/sign.log" || fail "a signed build does not say so"
done
cmp -s "$exe_a" "$exe_b" || fail "two signatures of one build differ"
osslsigncode verify -CAfile "$work/cert.pem" -in "$exe_a" >"$work/verify.log" 2>&1 ||
  { cat "$work/verify.log" >&2; fail "the signature does not verify"; }
signing_time=$(LC_ALL=C date -u -d "@$SOURCE_DATE_EPOCH" '+%b %e %H:%M:%S %Y')
grep -qF "$signing_time" "$work/verify.log" ||
  { grep -i time "$work/verify.log" >&2; fail "signing time is not $signing_time"; }

# Verification must look at the bytes: one changed byte of code fails it.
cp "$exe_a" "$work/tampered.exe"
printf '\x90' | dd of="$work/tampered.exe" bs=1 seek=4096 conv=notrunc 2>/dev/null
if osslsigncode verify -CAfile "$work/cert.pem" -in "$work/tampered.exe" >/dev/null 2>&1; then
  fail "a changed installer still verifies"
fi
echo "signed builds identical and verified: $(sha256sum "$exe_a" | cut -d' ' -f1)"
