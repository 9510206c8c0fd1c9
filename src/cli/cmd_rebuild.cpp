// quorvane rebuild: the structure test and rebuild of the database list.
#include "cli/cli.h"
#include "cli/session_open.h"
#include "databases/databases.h"

namespace qv::cli {

int cmdRebuild(Context& ctx, const Args& args) {
  if (!args.empty()) {
    ctx.err << "usage: quorvane [--archive DIR] rebuild\n";
    return 2;
  }
  HeadlessRuntime runtime(&ctx.err);
  std::unique_ptr<Session> s = openSession(ctx, runtime);
  if (!s) return 1;
  {
    RebuildResult r =
        RebuildDatabaseList(*s, [&](const std::string& line) { ctx.out << line << "\n"; });
    ctx.out << r.checked << " listed databases checked, " << r.removed << " removed from the list, "
            << r.attached << " directories attached; see " << s->archiveRoot << "/CFG/TestDB.Txt\n";
    if (!r.done) {
      ctx.err << "quorvane: " << r.error << "\n";
      return 1;
    }
    return 0;
  }
}

}  // namespace qv::cli
