#include <cstdio>

int main(int argc, char **argv) {
    std::puts("ventrel-admin");
    return 0;
}
