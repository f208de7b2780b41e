#!/usr/bin/env bash
# Builds the signature tests' programs: one with a version resource, unsigned;
# the same signed by a certificate made here (so its chain ends in no
# trusted root); the signed one with one byte of its DOS stub changed after
# signing (the stub is inside what the signature hashes); and the SHA-256 of
# the unsigned one, as sha256sum reckons it.
#   make-samples.sh CC WINDRES SOURCE_DIR OUTPUT_DIR
set -euo pipefail
cc=$1 windres=$2 src=$3 out=$4
for tool in openssl osslsigncode; do
  command -v "$tool" >/dev/null || { echo "make-samples.sh: $tool is missing (scripts/setup.sh installs it)" >&2; exit 1; }
done
mkdir -p "$out"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$windres" "$src/sample.rc" -O coff -o "$work/sample.res"
"$cc" -O1 -s -o "$work/sample.exe" "$src/sample.c" "$work/sample.res"
openssl req -x509 -newkey rsa:2048 -nodes -sha256 -days 3650 -subj "/CN=Morvane Sample Signer" \
  -keyout "$work/key.pem" -out "$work/cert.pem" 2>/dev/null
osslsigncode sign -certs "$work/cert.pem" -key "$work/key.pem" -h sha256 \
  -in "$work/sample.exe" -out "$work/sample-signed.exe" >/dev/null
cp "$work/sample-signed.exe" "$work/sample-tampered.exe"
at=$(grep -obUa "DOS mode" "$work/sample-tampered.exe" | head -n 1 | cut -d: -f1)
[ -n "$at" ] || { echo "make-samples.sh: no DOS stub to change" >&2; exit 1; }
printf 'd' | dd of="$work/sample-tampered.exe" bs=1 seek="$at" conv=notrunc status=none
sha256sum "$work/sample.exe" | cut -d' ' -f1 >"$work/sample.sha256"
cp "$work"/sample.exe "$work"/sample-signed.exe "$work"/sample-tampered.exe "$work"/sample.sha256 "$out/"
