// The start-up floor: a program that prints the prompt and reads a line.
#include <cstdio>

int main() {
  std::fputs("Sortwell: ", stdout);
  std::fflush(stdout);
  return std::getchar() == EOF;
}
