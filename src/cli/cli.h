// The command-line tool: a table of commands, each writing to injected streams.
#pragma once

#include <istream>
#include <ostream>
#include <string>
#include <vector>

namespace qv::cli {

struct Context {
  std::ostream& out;           // results
  std::ostream& err;           // progress and messages
  std::string archive;         // the archive root (--archive, else the current directory)
  bool json = false;           // --json: results as JSON lines
  std::istream* in = nullptr;  // answers to questions; without it every question is answered no
};

using Args = std::vector<std::string>;

struct Command {
  const char* name;
  const char* usage;  // one line, after "quorvane [--archive DIR] "
  int (*run)(Context&, const Args&);
};

// Every command of the tool, in the order `help` lists them.
const std::vector<Command>& commands();

// Runs the tool with `args` (without the program name). Returns the process exit status.
int run(const Args& args, std::ostream& out, std::ostream& err, std::istream* in = nullptr);

// Argument helpers shared by the commands. `takeOption` removes "--name VALUE" (or
// "--name=VALUE") from args and returns true with the value; `takeFlag` removes "--name".
bool takeOption(Args& args, const std::string& name, std::string& value);
bool takeFlag(Args& args, const std::string& name);

}  // namespace qv::cli
