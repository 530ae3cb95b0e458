#!/usr/bin/env bash
# Makes the signature tests' certificates and signed images from scratch:
#
#   make_signature_fixtures.sh <unsigned image> <output folder>
#
# A test root, a leaf for the expected signer and one for another company,
# both issued by the root, and a self-signed certificate that names the
# expected signer. Images, each a copy of the unsigned one:
#   expected.exe          signed by the expected signer
#   other.exe             signed by the other company
#   nested.exe            other, with a nested signature by the expected
#                         signer (another digest algorithm than the primary)
#   nested_corrupted.exe  other, with that nested signature's bytes damaged
#   nested_replayed.exe   other, with a nested signature by the expected
#                         signer taken from a different image
#   nested_untrusted.exe  other, with a nested signature by the self-signed
#                         certificate that names the expected signer
#   tampered.exe          expected, changed after signing
# and root.cer, the root in DER form, which the tests trust for their run.
set -euo pipefail
mkdir -p "$2"
image="$(cd "$(dirname "$1")" && pwd)/$(basename "$1")"
out="$(cd "$2" && pwd)"
work="$out/work"
rm -rf "$work"
mkdir -p "$work"
cd "$work"

cat > openssl.cnf <<'CONFIG'
[req]
distinguished_name = dn
[dn]
[root]
basicConstraints = critical,CA:TRUE
keyUsage = critical,keyCertSign,cRLSign
subjectKeyIdentifier = hash
[leaf]
basicConstraints = critical,CA:FALSE
keyUsage = critical,digitalSignature
extendedKeyUsage = codeSigning
subjectKeyIdentifier = hash
authorityKeyIdentifier = keyid
[self]
basicConstraints = critical,CA:FALSE
keyUsage = critical,digitalSignature
extendedKeyUsage = codeSigning
subjectKeyIdentifier = hash
CONFIG

expected_subject="/CN=Velto Software Ltd/O=Velto Software Ltd"
openssl req -x509 -new -newkey rsa:2048 -nodes -keyout root.key \
  -subj "/CN=Velto Test Signing Root" -days 3650 -config openssl.cnf \
  -extensions root -out root.pem 2>/dev/null
leaf() {  # name subject
  openssl req -new -newkey rsa:2048 -nodes -keyout "$1.key" -subj "$2" \
    -config openssl.cnf -out "$1.csr" 2>/dev/null
  openssl x509 -req -in "$1.csr" -CA root.pem -CAkey root.key \
    -set_serial "0x$(openssl rand -hex 8)" -days 3650 -extfile openssl.cnf \
    -extensions leaf -out "$1.pem" 2>/dev/null
}
leaf expected "$expected_subject"
leaf other "/CN=Other Company Ltd/O=Other Company Ltd"
openssl req -x509 -new -newkey rsa:2048 -nodes -keyout self.key \
  -subj "$expected_subject" -days 3650 -config openssl.cnf -extensions self \
  -out self.pem 2>/dev/null

sign() {  # certificate digest input output [extra options]
  osslsigncode sign -certs "$1.pem" -key "$1.key" -h "$2" "${@:5}" \
    -in "$3" -out "$4" >/dev/null
}
# attach-signature reports the nested signatures below as failures, as it
# should, but writes them all the same: check that it wrote something.
attach_nested() {  # signature input output
  rm -f "$3"
  osslsigncode attach-signature -nest -sigin "$1" -in "$2" -out "$3" \
    >/dev/null 2>&1 || true
  [ -s "$3" ] || { echo "attach-signature wrote no $3" >&2; exit 1; }
}

cp "$image" unsigned.exe
sign expected sha256 unsigned.exe expected.exe
sign other sha256 unsigned.exe other.exe
sign expected sha512 other.exe nested.exe -nest
sign self sha256 other.exe nested_untrusted.exe -nest

# The nested signer's signature value is the last element of the signature:
# damage one byte of it and attach the result in place of the whole.
osslsigncode extract-signature -in nested.exe -out nested.der >/dev/null
size=$(stat -c %s nested.der)
last=$(openssl asn1parse -inform DER -in nested.der | tail -n 1)
case "$last" in
  *"l= 256 prim: OCTET STRING"*) ;;
  *) echo "unexpected end of the nested signature: $last" >&2; exit 1 ;;
esac
byte=$(od -An -tu1 -j $((size - 16)) -N1 nested.der | tr -d ' ')
printf "$(printf '\\%03o' $((byte ^ 0xFF)))" |
  dd of=nested.der bs=1 seek=$((size - 16)) conv=notrunc 2>/dev/null
rm -f nested_corrupted.exe
osslsigncode attach-signature -sigin nested.der -in unsigned.exe \
  -out nested_corrupted.exe >/dev/null 2>&1 || true
[ -s nested_corrupted.exe ] || { echo "no nested_corrupted.exe" >&2; exit 1; }

# A genuine signature by the expected signer, made for another image.
cp unsigned.exe different.exe
printf 'X' | dd of=different.exe bs=1 seek=80 conv=notrunc 2>/dev/null
sign expected sha256 different.exe different_expected.exe
osslsigncode extract-signature -in different_expected.exe -out replay.der \
  >/dev/null
attach_nested replay.der other.exe nested_replayed.exe

# One byte of the DOS stub, which the digest covers.
cp expected.exe tampered.exe
printf 'X' | dd of=tampered.exe bs=1 seek=80 conv=notrunc 2>/dev/null

openssl x509 -in root.pem -outform DER -out root.cer
cp unsigned.exe expected.exe other.exe nested.exe nested_corrupted.exe \
  nested_replayed.exe nested_untrusted.exe tampered.exe root.cer "$out/"
cd "$out"
rm -rf "$work"
