// Argument handling and dispatch of the command-line tool.
#include "cli/cli.h"

#include <filesystem>
#include <stdexcept>

#include "app/runtime.h"

namespace qv::cli {

int cmdInit(Context&, const Args&);
int cmdDump(Context&, const Args&);
int cmdDb(Context&, const Args&);
int cmdConfig(Context&, const Args&);
int cmdCheckIds(Context&, const Args&);
int cmdRebuild(Context&, const Args&);

const std::vector<Command>& commands() {
  static const std::vector<Command> table = {
      {"init", "init", cmdInit},
      {"db", "db list|create|update-addresses|import|remove ...", cmdDb},
      {"rebuild", "rebuild", cmdRebuild},
      {"dump", "dump FILE [--db ID] [--key KEYNAME] [--reverse] [--limit N] [--text]", cmdDump},
      {"config", "config get N | config set N VALUE", cmdConfig},
      {"check-ids", "check-ids", cmdCheckIds},
  };
  return table;
}

bool takeOption(Args& args, const std::string& name, std::string& value) {
  const std::string flag = "--" + name;
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == flag && i + 1 < args.size()) {
      value = args[i + 1];
      args.erase(args.begin() + static_cast<long>(i), args.begin() + static_cast<long>(i) + 2);
      return true;
    }
    if (args[i].rfind(flag + "=", 0) == 0) {
      value = args[i].substr(flag.size() + 1);
      args.erase(args.begin() + static_cast<long>(i));
      return true;
    }
  }
  return false;
}

bool takeFlag(Args& args, const std::string& name) {
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--" + name) {
      args.erase(args.begin() + static_cast<long>(i));
      return true;
    }
  }
  return false;
}

namespace {

void usage(std::ostream& err) {
  err << "usage: quorvane [--archive DIR] [--json] COMMAND ...\ncommands:\n";
  for (const Command& c : commands()) err << "  " << c.usage << "\n";
}

}  // namespace

int run(const Args& argsIn, std::ostream& out, std::ostream& err, std::istream* in) {
  Args args = argsIn;
  Context ctx{out, err, {}, false, in};
  if (!takeOption(args, "archive", ctx.archive)) {
    std::error_code ec;
    ctx.archive = std::filesystem::current_path(ec).string();
  }
  ctx.json = takeFlag(args, "json");
  if (args.empty() || args[0] == "help" || args[0] == "--help") {
    usage(args.empty() ? err : out);
    return args.empty() ? 2 : 0;
  }
  for (const Command& c : commands()) {
    if (args[0] == c.name) {
      Args rest(args.begin() + 1, args.end());
      try {
        return c.run(ctx, rest);
      } catch (const FatalStop& stop) {
        // The runtime showed the stop's message already.
        err << "quorvane: stopped: " << stop.title << "\n";
        return 3;
      } catch (const std::exception& e) {
        err << "quorvane: internal error: " << e.what() << "\n";
        return 70;
      }
    }
  }
  err << "quorvane: unknown command '" << args[0] << "'\n";
  usage(err);
  return 2;
}

}  // namespace qv::cli
