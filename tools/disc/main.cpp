#include <cstdio>
int main() { std::puts("morvelin-disc"); return 0; }
