// Entry point (the batch mode, the demo and the window arrive with later work).
#include <cstdio>

int main() {
  std::puts("importador");
  return 0;
}
