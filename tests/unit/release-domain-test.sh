#!/usr/bin/env bash
# Which service domains `make package` refuses to release: the placeholder, reserved names and IP
# addresses, whatever their case; real host names pass.
#   release-domain-test.sh <source dir>
set -uo pipefail
source "$1/scripts/release-domain.sh"
status=0
for domain in pki.toval.example PKI.Toval.Example example a.b.test localhost host.localhost x.invalid \
    www.example.com example.org 192.0.2.10 10.1.2.3 1.2; do
    [[ -n $(release_domain_refusal "$domain") ]] || { echo "FAIL: $domain was not refused"; status=1; }
done
for domain in pki.toval.ir toval.example.ir examples.com example.com.ir my-example host.test.corp 1.2.ir; do
    [[ -z $(release_domain_refusal "$domain") ]] || { echo "FAIL: $domain was refused"; status=1; }
done
[[ $(release_domain_refusal 192.0.2.10) == *Ranges* ]] || { echo "FAIL: an address is not sent to Ranges"; status=1; }
((status == 0)) && echo "release domains refused and passed as expected"
exit $status
