// vavirir-sim: a meter on a pseudo-terminal.
#include <cstdio>

int main() {
    std::fprintf(stderr, "vavirir-sim: not built yet\n");
    return 1;
}
