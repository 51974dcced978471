// Stands in for a certificate manager that never ends, as one stuck on a prompt that nobody sees: it takes
// any command line and only sleeps. After a minute (stretched with the machine, as the bounds it is
// stopped at are) it ends anyway, so that it cannot outlive a test that forgot it; the tests drop their
// prefix, and every process in it, long before that.
#include <windows.h>

#include "tests/support/Bound.h"

int main() {
    Sleep(tovalset::test::Bound(60000));
    return 0;
}
