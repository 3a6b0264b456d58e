#include <cstdio>

// Placeholder until the windows exist.
int main() {
    std::puts("Kestrova: the windows are not built yet; run the tests with scripts/test.sh.");
    return 0;
}
