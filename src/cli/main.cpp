#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
  if (argc > 1 && (std::strcmp(argv[1], "--version") == 0)) {
    std::printf("quorvine %s\n", QUORVINE_VERSION);
    return 0;
  }
  std::fprintf(stderr, "usage: quorvine --version\n");
  return 1;
}
