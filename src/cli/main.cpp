// Entry point of the quorvane command-line tool.
#include <exception>
#include <iostream>

#include "cli/cli.h"

int main(int argc, char** argv) {
  try {
    qv::cli::Args args(argv + 1, argv + argc);
    return qv::cli::run(args, std::cout, std::cerr, &std::cin);
  } catch (const std::exception& e) {
    std::cerr << "quorvane: internal error: " << e.what() << "\n";
    return 70;
  }
}
