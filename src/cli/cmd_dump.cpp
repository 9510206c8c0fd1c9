// quorvane dump: the records of an archive file as JSON lines.
#include "cli/cli.h"

namespace qv::cli {

int cmdDump(Context& ctx, const Args&) {
  ctx.err << "quorvane: dump is not available yet\n";
  return 1;
}

}  // namespace qv::cli
