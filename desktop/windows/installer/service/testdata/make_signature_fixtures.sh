#!/usr/bin/env bash
# Makes the signature tests' certificates and signed images from scratch:
#
#   make_signature_fixtures.sh <unsigned image> <output folder>
#
# Uses openssl, osslsigncode and x86_64-w64-mingw32-objcopy, which
# tools/install_deps.sh installs, and perl, which every Debian system has.
#
# A test root; a rogue root with the same name and serial number but its own
# key; leaves issued by the test root for the expected signer, for another
# company and for the expected signer without the code-signing usage; one
# for the expected signer issued by the rogue root, and one by an
# intermediate of the test root; leaves for names that only resemble the
# expected signer's; and a self-signed certificate that names the expected
# signer. Images, each a copy of the
# unsigned PE32+ one unless named ...32 (a PE32 copy of it):
#   expected.exe, expected32.exe
#                         signed by the expected signer
#   other.exe             signed by the other company
#   nested.exe, nested32.exe
#                         other, with a nested signature by the expected
#                         signer (another digest algorithm than the primary)
#   nested_corrupted.exe  other, with that nested signature's bytes damaged
#   nested_replayed.exe   other, with a nested signature by the expected
#                         signer taken from a different image
#   nested_rewritten.exe  the same, with the image digest in the taken
#                         signature's content rewritten to this image's
#   nested_untrusted.exe  other, with a nested signature by the self-signed
#                         certificate that names the expected signer
#   nested_rogue_root.exe, expected_rogue_root.exe
#                         nested, and primary, signatures by the expected
#                         signer's leaf from the rogue root
#   expected_not_code_signing.exe
#                         signed by the leaf without code-signing usage
#   expected_via_intermediate.exe
#                         signed by the expected signer's leaf from an
#                         intermediate of the test root, carried with it
#   lower_case.exe, longer_name.exe
#                         signed by leaves whose names differ from the
#                         expected signer's only in case, or by a word added
#   nested_appended.exe   signed by the other company over the image with
#                         bytes appended after the certificate table, with a
#                         nested signature by the expected signer of the
#                         image without them
#   expected_padded.exe, nested_padded.exe
#                         with bytes after the signature entry, inside the
#                         certificate table
#   expected_data_type.exe, expected_two_digests.exe
#                         expected, its signature changed and signed again
#                         by the expected signer: the indirect data names
#                         another data type than a PE image; or the signed
#                         attributes carry a second message digest
#   nested_unknown_oid.exe
#                         other, carrying the expected signer's genuine
#                         signature in an unsigned attribute of another type
#   nested_depth3.exe, nested_depth4.exe, nested_depth5.exe
#                         signed by the other company, with the expected
#                         signer's signature nested 3, 4 and 5 levels deep
#   nested_16_signers.exe, nested_17_signers.exe
#                         other, with a genuine nested signature first, then
#                         14 and 15 nested signatures taken from a different
#                         image; only the cap on signers can refuse the 17
#   tampered.exe          expected, changed after signing
# and root.cer, the test root in DER form, which the tests trust.
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
[intermediate]
basicConstraints = critical,CA:TRUE
keyUsage = critical,keyCertSign,cRLSign
subjectKeyIdentifier = hash
authorityKeyIdentifier = keyid
[leaf]
basicConstraints = critical,CA:FALSE
keyUsage = critical,digitalSignature
extendedKeyUsage = codeSigning
subjectKeyIdentifier = hash
authorityKeyIdentifier = keyid
[server]
basicConstraints = critical,CA:FALSE
keyUsage = critical,digitalSignature
extendedKeyUsage = serverAuth
subjectKeyIdentifier = hash
authorityKeyIdentifier = keyid
[self]
basicConstraints = critical,CA:FALSE
keyUsage = critical,digitalSignature
extendedKeyUsage = codeSigning
subjectKeyIdentifier = hash
CONFIG

# Editing of signatures (DER) and images that the signing tool does not do.
cat > edit.pl <<'PERL'
use strict;
use warnings;
use Digest::SHA;

sub slurp { local $/; open my $f, '<:raw', $_[0] or die "$_[0]: $!"; <$f> }
sub spew { open my $f, '>:raw', $_[0] or die "$_[0]: $!"; print $f $_[1] }

# The elements of a run of DER, each as [tag, contents].
sub elements {
  my ($bytes) = @_;
  my @list;
  for (my $at = 0; $at < length $bytes;) {
    my ($tag, $length) = unpack 'CC', substr($bytes, $at, 2);
    my $head = 2;
    if ($length & 0x80) {
      my $count = $length & 0x7F;
      $length = 0;
      $length = $length * 256 + ord substr($bytes, $at + 2 + $_, 1)
        for 0 .. $count - 1;
      $head += $count;
    }
    push @list, [$tag, substr($bytes, $at + $head, $length)];
    $at += $head + $length;
  }
  @list;
}

sub encode {
  my ($tag, $contents) = @_;
  my $length = length $contents;
  my $bytes = '';
  for (my $rest = $length; $rest; $rest >>= 8) {
    $bytes = chr($rest & 0xFF) . $bytes;
  }
  my $head = $length < 0x80 ? chr $length : chr(0x80 | length $bytes) . $bytes;
  chr($tag) . $head . $contents;
}

# The element at @path (child indexes; negative from the end) below the
# signature's ContentInfo, replaced by what $change makes of its contents.
sub edit {
  my ($tag, $contents, $change, @path) = @_;
  return encode($tag, $change->($contents)) unless @path;
  my @children = elements($contents);
  my $index = shift @path;
  $index += @children if $index < 0;
  encode($tag, join '', map {
    $_ == $index ? edit(@{$children[$_]}, $change, @path)
                 : encode(@{$children[$_]})
  } 0 .. $#children);
}

# ContentInfo > [0] > SignedData, and from there:
my @first_signer = (1, 0, -1, 0);
my @image_digest = (1, 0, 2, 1, 0, 1, 1);

sub signature { (elements(slurp($_[0])))[0] }

my $command = shift @ARGV;
if ($command eq 'nest' || $command eq 'nest-unknown') {
  # nest OUT PRIMARY NESTED...: the first signer of PRIMARY carries each
  # NESTED as an attribute of its own, in order, and nothing else unsigned.
  # nest-unknown: the same, the attributes typed 1.3.6.1.4.1.311.2.4.2,
  # which is no nested signature.
  my ($out, $primary, @nested) = @ARGV;
  my $last = $command eq 'nest' ? 1 : 2;
  my $oid = encode(0x06, pack 'C*', 0x2B, 6, 1, 4, 1, 0x82, 0x37, 2, 4, $last);
  my $attributes = join '', map {
    encode(0x30, $oid . encode(0x31, encode(@{signature($_)})))
  } @nested;
  spew($out, edit(@{signature($primary)}, sub {
    join('', map { encode(@$_) } grep { $_->[0] != 0xA1 } elements($_[0]))
      . encode(0xA1, $attributes);
  }, @first_signer));
} elsif ($command eq 'redigest') {
  # redigest OUT SIGNATURE DONOR: SIGNATURE with the image digest of DONOR.
  my ($out, $signature, $donor) = @ARGV;
  my $digest;
  edit(@{signature($donor)}, sub { $digest = $_[0] }, @image_digest);
  spew($out, edit(@{signature($signature)}, sub { $digest }, @image_digest));
} elsif ($command eq 'pad') {
  # pad OUT IMAGE BYTES: the certificate table, which ends the file, grows
  # by BYTES.
  my ($out, $path, $extra) = @ARGV;
  my $image = slurp($path);
  my $pe = unpack 'V', substr($image, 0x3C, 4);
  my $plus = unpack('v', substr($image, $pe + 24, 2)) == 0x20B;
  my $entry = $pe + 24 + ($plus ? 112 : 96) + 4 * 8;
  my ($offset, $size) = unpack 'VV', substr($image, $entry, 8);
  die "$path: the table does not end the file"
    unless $offset + $size == length $image;
  substr($image, $entry + 4, 4) = pack 'V', $size + length $extra;
  spew($out, $image . $extra);
} elsif ($command eq 'first-nested') {
  # first-nested SIGNATURE NESTED: dies unless the first signer of SIGNATURE
  # carries NESTED as its first unsigned attribute.
  my ($signature, $nested) = @ARGV;
  my $signer = signature($signature);
  for my $index (@first_signer) {
    my @children = elements($signer->[1]);
    $signer = $children[$index + ($index < 0 ? @children : 0)];
  }
  my $unsigned = (elements($signer->[1]))[-1];
  my ($first) = $unsigned->[0] == 0xA1 ? elements($unsigned->[1]) : ();
  my $value = $first && (elements((elements($first->[1]))[1][1]))[0];
  die "$signature: $nested is not its first nested signature"
    unless $value && encode(@$value) eq encode(@{signature($nested)});
} elsif ($command eq 'resign') {
  # resign OUT SIGNATURE KEY CHANGE: SIGNATURE, signed by sha256 with KEY,
  # after CHANGE, and signed again with KEY over its new attributes:
  #   data-type   its indirect data names a data type other than a PE
  #               image's, with the signed digest of the content to match;
  #   two-digests its signed attributes carry a second message digest, of
  #               zeros, before the genuine one.
  my ($out, $signature, $key, $change) = @ARGV;
  my @signed = @{signature($signature)};
  my $content_digest;
  if ($change eq 'data-type') {
    my $oid = pack 'C*', 0x2B, 6, 1, 4, 1, 0x82, 0x37, 2, 1, 25;
    @signed = (elements(edit(@signed, sub { $oid }, 1, 0, 2, 1, 0, 0, 0)))[0]
      ->@*;
    edit(@signed, sub { $content_digest = Digest::SHA::sha256($_[0]) },
         1, 0, 2, 1, 0);
  }
  my $message_digest_oid =
    encode(0x06, pack 'C*', 0x2A, 0x86, 0x48, 0x86, 0xF7, 0x0D, 1, 9, 4);
  my $attributes;
  @signed = (elements(edit(@signed, sub {
    my @fields = elements($_[0]);
    for my $field (@fields) {
      next unless $field->[0] == 0xA0;
      my @list;
      for my $attribute (elements($field->[1])) {
        my ($type) = elements($attribute->[1]);
        if (encode(@$type) eq $message_digest_oid) {
          my $digest = $content_digest //
            (elements((elements($attribute->[1]))[1][1]))[0][1];
          my $value = sub {
            encode(0x30, $message_digest_oid .
                         encode(0x31, encode(0x04, $_[0])));
          };
          push @list, $value->("\0" x length $digest)
            if $change eq 'two-digests';
          push @list, $value->($digest);
        } else {
          push @list, encode(@$attribute);
        }
      }
      $attributes = join '', @list;
      $field->[1] = $attributes;
    }
    spew('attributes.der', encode(0x31, $attributes));
    system("openssl dgst -sha256 -sign '$key' -binary -out attributes.sig "
           . "attributes.der") == 0 or die "openssl failed";
    # The signature value ends a signer without unsigned attributes.
    die "$signature: the signer has unsigned attributes"
      unless $fields[-1][0] == 0x04;
    $fields[-1][1] = slurp('attributes.sig');
    join '', map { encode(@$_) } @fields;
  }, @first_signer)))[0]->@*;
  spew($out, encode(@signed));
} else {
  die "unknown command $command";
}
PERL
edit() { perl edit.pl "$@"; }

expected_subject="/CN=Velto Software Ltd/O=Velto Software Ltd"
root_subject="/CN=Velto Test Signing Root"
root_serial="0x$(openssl rand -hex 8)"
for root in root rogue; do
  openssl req -x509 -new -newkey rsa:2048 -nodes -keyout $root.key \
    -subj "$root_subject" -set_serial "$root_serial" -days 3650 \
    -config openssl.cnf -extensions root -out $root.pem 2>/dev/null
done
leaf() {  # name subject [issuer [extensions]]
  openssl req -new -newkey rsa:2048 -nodes -keyout "$1.key" -subj "$2" \
    -config openssl.cnf -out "$1.csr" 2>/dev/null
  openssl x509 -req -in "$1.csr" -CA "${3:-root}.pem" -CAkey "${3:-root}.key" \
    -set_serial "0x$(openssl rand -hex 8)" -days 3650 -extfile openssl.cnf \
    -extensions "${4:-leaf}" -out "$1.pem" 2>/dev/null
}
leaf expected "$expected_subject"
leaf other "/CN=Other Company Ltd/O=Other Company Ltd"
leaf not_code_signing "$expected_subject" root server
# Issued by an intermediate of the test root, which its signatures carry.
leaf intermediate "/CN=Velto Test Signing CA" root intermediate
leaf via_intermediate "$expected_subject" intermediate
cat intermediate.pem >> via_intermediate.pem
leaf lower_case "/CN=velto software ltd/O=velto software ltd"
leaf longer_name "/CN=Velto Software Ltd Clone/O=Velto Software Ltd Clone"
# The rogue leaf's signatures carry the rogue root, so that a chain ends in
# it rather than in the test root.
leaf rogue_leaf "$expected_subject" rogue
cat rogue.pem >> rogue_leaf.pem
openssl req -x509 -new -newkey rsa:2048 -nodes -keyout self.key \
  -subj "$expected_subject" -days 3650 -config openssl.cnf -extensions self \
  -out self.pem 2>/dev/null

sign() {  # certificate digest input output [extra options]
  osslsigncode sign -certs "$1.pem" -key "$1.key" -h "$2" "${@:5}" \
    -in "$3" -out "$4" >/dev/null
}
extract() {  # image signature
  osslsigncode extract-signature -in "$1" -out "$2" >/dev/null
}
# attach-signature reports the forged signatures below as failures, as it
# should, but writes them all the same: check that it wrote something.
attach() {  # signature input output [-nest]
  rm -f "$3"
  osslsigncode attach-signature "${@:4}" -sigin "$1" -in "$2" -out "$3" \
    >/dev/null 2>&1 || true
  [ -s "$3" ] || { echo "attach-signature wrote no $3" >&2; exit 1; }
}

cp "$image" unsigned.exe
# The same program with a PE32 optional header; it is never run.
x86_64-w64-mingw32-objcopy -O pei-i386 unsigned.exe unsigned32.exe
for bits in "" 32; do
  sign expected sha256 unsigned$bits.exe expected$bits.exe
  sign other sha256 unsigned$bits.exe other$bits.exe
  sign expected sha512 other$bits.exe nested$bits.exe -nest
done
sign self sha256 other.exe nested_untrusted.exe -nest
sign rogue_leaf sha256 unsigned.exe expected_rogue_root.exe
sign rogue_leaf sha512 other.exe nested_rogue_root.exe -nest
sign not_code_signing sha256 unsigned.exe expected_not_code_signing.exe
sign via_intermediate sha256 unsigned.exe expected_via_intermediate.exe
sign lower_case sha256 unsigned.exe lower_case.exe
sign longer_name sha256 unsigned.exe longer_name.exe

# The nested signer's signature value is the last element of the signature:
# damage one byte of it and attach the result in place of the whole.
extract nested.exe nested.der
size=$(stat -c %s nested.der)
last=$(openssl asn1parse -inform DER -in nested.der | tail -n 1)
case "$last" in
  *"l= 256 prim: OCTET STRING"*) ;;
  *) echo "unexpected end of the nested signature: $last" >&2; exit 1 ;;
esac
byte=$(od -An -tu1 -j $((size - 16)) -N1 nested.der | tr -d ' ')
printf "$(printf '\\%03o' $((byte ^ 0xFF)))" |
  dd of=nested.der bs=1 seek=$((size - 16)) conv=notrunc 2>/dev/null
attach nested.der unsigned.exe nested_corrupted.exe

# A genuine signature by the expected signer, made for another image; and
# the same with this image's digest written into its content, which leaves
# the signed attributes, and so the signature over them, as they were.
cp unsigned.exe different.exe
printf 'X' | dd of=different.exe bs=1 seek=80 conv=notrunc 2>/dev/null
sign expected sha256 different.exe different_expected.exe
extract different_expected.exe replay.der
attach replay.der other.exe nested_replayed.exe -nest
extract other.exe other.der
edit redigest rewritten.der replay.der other.der
attach rewritten.der other.exe nested_rewritten.exe -nest

extract expected.exe depth0.der
# Bytes after the table, which the digest covers: the outer signature is
# made over the image with them, the nested one is the expected signer's
# genuine signature of the image without them. Signing pads the image to
# 8 bytes before the table, so the payload, 16 bytes, goes after that.
payload='appended payload'
cp unsigned.exe payload_base.exe
truncate -s %8 payload_base.exe
printf '%s' "$payload" >> payload_base.exe
sign other sha256 payload_base.exe other_payload.exe
extract other_payload.exe other_payload.der
edit nest appended.der other_payload.der depth0.der
attach appended.der unsigned.exe nested_appended.exe
printf '%s' "$payload" >> nested_appended.exe

# Inside the table, after the one entry.
edit pad expected_padded.exe expected.exe 'padding payload!'
edit pad nested_padded.exe nested.exe 'padding payload!'

# The expected signer's signature of this image, changed and signed again:
# its signature holds, but what it signs is not a PE image's digest, or the
# digest it signs is not alone.
edit resign data_type.der depth0.der expected.key data-type
attach data_type.der unsigned.exe expected_data_type.exe
edit resign two_digests.der depth0.der expected.key two-digests
attach two_digests.der unsigned.exe expected_two_digests.exe

# Each level a signature by the other company over the same image, holding
# the level below.
for depth in 1 2 3 4 5; do
  edit nest depth$depth.der other.der depth$((depth - 1)).der
done
for depth in 3 4 5; do
  attach depth$depth.der unsigned.exe nested_depth$depth.exe
done
edit nest-unknown unknown_oid.der other.der depth0.der
attach unknown_oid.der unsigned.exe nested_unknown_oid.exe

# The genuine signature comes first: met after the sixteenth signer, it
# would be refused by the walk stopping there even with the signer count
# left unchecked at the end. Attaching re-encodes the nested signatures in DER
# order, which sorts a shorter encoding first: the others carry a longer
# digest, so that no key or image of any build can put them before it.
sign expected sha512 different.exe different_expected512.exe
extract different_expected512.exe replay512.der
replays() { for _ in $(seq "$1"); do echo replay512.der; done; }
edit nest signers16.der other.der depth0.der $(replays 14)
edit nest signers17.der other.der depth0.der $(replays 15)
attach signers16.der unsigned.exe nested_16_signers.exe
attach signers17.der unsigned.exe nested_17_signers.exe
for signers in 16 17; do
  extract nested_${signers}_signers.exe attached$signers.der
  edit first-nested attached$signers.der depth0.der
done

# One byte of the DOS stub, which the digest covers.
cp expected.exe tampered.exe
printf 'X' | dd of=tampered.exe bs=1 seek=80 conv=notrunc 2>/dev/null

openssl x509 -in root.pem -outform DER -out root.cer
cp unsigned.exe expected.exe expected32.exe other.exe nested.exe nested32.exe \
  nested_corrupted.exe nested_replayed.exe nested_rewritten.exe \
  nested_untrusted.exe nested_rogue_root.exe expected_rogue_root.exe \
  expected_not_code_signing.exe expected_via_intermediate.exe \
  lower_case.exe longer_name.exe \
  nested_appended.exe expected_padded.exe \
  nested_padded.exe nested_depth3.exe nested_depth4.exe nested_depth5.exe \
  nested_unknown_oid.exe expected_data_type.exe expected_two_digests.exe \
  nested_16_signers.exe nested_17_signers.exe tampered.exe root.cer "$out/"
cd "$out"
rm -rf "$work"
