# release_domain_refusal(<domain> <variable>): sets the variable to why a release must not map that
# domain into Trusted Sites, or to nothing. A reserved name (the placeholder the build starts with, and
# the names set aside for examples and tests) is no service's host, and an IP address is mapped by
# Internet Explorer under ZoneMap\Ranges, not under Domains, where the mapping would do nothing.
function(release_domain_refusal domain variable)
    string(TOLOWER "${domain}" domain)
    set(why "")
    if(domain MATCHES "^[0-9.]+$")
        set(why "is an IP address, which Internet Explorer maps under ZoneMap\\Ranges, not under Domains")
    elseif(domain MATCHES "(^|\\.)(example|test|invalid|localhost)$" OR domain MATCHES "(^|\\.)example\\.(com|net|org)$")
        set(why "is a reserved name, not the service's host")
    endif()
    set(${variable} "${why}" PARENT_SCOPE)
endfunction()
