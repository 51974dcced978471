#!/usr/bin/env bash
# Made the TEST ONLY code-signing key and certificate beside this script, once; they are committed so that
# every checkout signs its package the same way when the builder names no key of their own. The key is
# public: a signature made with it proves nothing about who built the exe, and the package made with it
# says so in its name. The certificate is valid from 2000 to 2099, so that any commit's time can be its
# signing time.
#   make-TEST-ONLY-key.sh     (overwrites both files)
set -euo pipefail
cd "$(dirname "$0")"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cat >"$work/ca.conf" <<'CONF'
[ca]
default_ca = test
[test]
database = index.txt
new_certs_dir = .
serial = serial
default_md = sha256
policy = anything
x509_extensions = signing
unique_subject = no
[anything]
commonName = supplied
organizationName = optional
[signing]
basicConstraints = critical, CA:FALSE
keyUsage = critical, digitalSignature
extendedKeyUsage = codeSigning
subjectKeyIdentifier = hash
authorityKeyIdentifier = keyid
CONF
: >"$work/index.txt"
echo 01 >"$work/serial"
openssl genrsa -out TovalSet-TEST-ONLY-signing.key 3072 2>/dev/null
openssl req -new -key TovalSet-TEST-ONLY-signing.key -out "$work/request.csr" \
    -subj "/O=TEST ONLY - not for release/CN=TovalSet TEST ONLY code signing"
(cd "$work" && openssl ca -batch -selfsign -config ca.conf -keyfile "$OLDPWD/TovalSet-TEST-ONLY-signing.key" \
    -in request.csr -out signing.crt -startdate 20000101000000Z -enddate 20991231235959Z -notext 2>/dev/null)
openssl x509 -in "$work/signing.crt" -out TovalSet-TEST-ONLY-signing.crt
