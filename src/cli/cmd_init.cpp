// quorvane init: creates the archive root's CFG directory and the control file.
#include "app/headless_runtime.h"
#include "cli/cli.h"
#include "storage/archive.h"

namespace qv::cli {

int cmdInit(Context& ctx, const Args& args) {
  if (!args.empty()) {
    ctx.err << "usage: quorvane [--archive DIR] init\n";
    return 2;
  }
  HeadlessRuntime runtime(&ctx.err);
  Session s(ctx.archive, runtime);
  std::string error;
  if (initArchive(s, error) != 0) {
    ctx.err << "quorvane: " << error << "\n";
    return 1;
  }
  ctx.out << "Archive ready in " << s.archiveRoot << "\n";
  return 0;
}

}  // namespace qv::cli
