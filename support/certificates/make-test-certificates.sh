#!/usr/bin/env bash
# Makes the seven certificates of the demo support folder as a small test hierarchy of our own: two roots,
# their intermediates and two issuing CAs, all marked as test certificates in their subjects and valid for
# 30 years. They stand in for the service's real CA certificates, which are never in this repository.
# Some are written as DER and some as PEM, since the certificate manager takes both.
#   make-test-certificates.sh <output folder>
set -euo pipefail
out=$1
mkdir -p "$out"
keys=$(mktemp -d)
trap 'rm -rf "$keys"' EXIT
days=10950

cat >"$keys/ca.ext" <<'EXT'
basicConstraints = critical, CA:TRUE
keyUsage = critical, keyCertSign, cRLSign
subjectKeyIdentifier = hash
authorityKeyIdentifier = keyid
EXT

subject() { echo "/O=TovalSet Test Certificates/OU=TEST ONLY - not a real certification authority/CN=$1"; }

# root <id> <common name>
root() {
    openssl req -x509 -new -newkey rsa:2048 -nodes -sha256 -days $days -keyout "$keys/$1.key" \
        -subj "$(subject "$2")" -addext "basicConstraints=critical,CA:TRUE" \
        -addext "keyUsage=critical,keyCertSign,cRLSign" -out "$keys/$1.pem" 2>/dev/null
}

# issued <id> <issuer id> <common name>
issued() {
    openssl req -new -newkey rsa:2048 -nodes -keyout "$keys/$1.key" -subj "$(subject "$3")" \
        -out "$keys/$1.csr" 2>/dev/null
    openssl x509 -req -in "$keys/$1.csr" -CA "$keys/$2.pem" -CAkey "$keys/$2.key" -CAcreateserial -sha256 \
        -days $days -extfile "$keys/ca.ext" -out "$keys/$1.pem" 2>/dev/null
}

# put <id> <file name> <DER|PEM>
put() { openssl x509 -in "$keys/$1.pem" -outform "$3" -out "$out/$2"; }

root oldroot "TovalSet Test Root CA"
issued commerceold oldroot "TovalSet Test Commerce Intermediate CA (old)"
issued commerce oldroot "TovalSet Test Commerce Intermediate CA"
issued signold commerceold "TovalSet Test Digital Sign CA (old)"
root newroot "TovalSet Test Root CA (new)"
issued governmental newroot "TovalSet Test General Intermediate CA (new)"
issued silver governmental "TovalSet Test Digital Sign Silver L2 CA (new)"

put signold DigitalSignOld.cer DER
put commerceold IRIranCommerceIntermediateCAOld.cer DER
put commerce IRIranCommerceIntermediateCA.cer PEM
put oldroot IRIROOTCA.crt PEM
put silver 'GICADigitalSign-Silver(L2)New.cer' DER
put governmental GovernmentalGeneralIntermediateCANew.cer DER
put newroot IslamicRepublicofIRANRootCANew.cer PEM
