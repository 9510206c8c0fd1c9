// quorvane check-ids: sets the identifier counter above the highest identifier in use.
#include <filesystem>

#include "app/headless_runtime.h"
#include "cli/cli.h"
#include "storage/control.h"

namespace qv::cli {

int cmdCheckIds(Context& ctx, const Args& args) {
  if (!args.empty()) {
    ctx.err << "usage: quorvane [--archive DIR] check-ids\n";
    return 2;
  }
  HeadlessRuntime runtime(&ctx.err);
  Session s(ctx.archive, runtime);
  if (!std::filesystem::is_directory(s.archiveRoot + "/CFG")) {
    ctx.err << "quorvane: no archive in " << s.archiveRoot << " (run 'quorvane init' there)\n";
    return 1;
  }
  IdCheckResult r = CheckHighestId(s, [&](const std::string& line) { ctx.out << line << "\n"; });
  if (!r.done) {
    ctx.err << "quorvane: the identifier check did not finish: " << r.error << "\n";
    return 1;
  }
  return 0;
}

}  // namespace qv::cli
