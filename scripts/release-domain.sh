# Sourced by scripts/package.sh: whether a service domain may go into a release.
#
# release_domain_refusal <domain>: prints why a release must not map that domain into Trusted Sites, or
# nothing. A reserved name (the placeholder the build starts with, and the names set aside for examples and
# tests) is no service's host, and an IP address is mapped by Internet Explorer under ZoneMap\Ranges, not
# under Domains, where the mapping would do nothing.
release_domain_refusal() {
    local domain=${1,,}
    if [[ $domain =~ ^[0-9.]+$ ]]; then
        echo "is an IP address, which Internet Explorer maps under ZoneMap\\Ranges, not under Domains"
    elif [[ $domain =~ (^|\.)(example|test|invalid|localhost)$ || $domain =~ (^|\.)example\.(com|net|org)$ ]]; then
        echo "is a reserved name, not the service's host"
    fi
}
