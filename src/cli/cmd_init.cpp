// quorvane init: creates the archive root's CFG directory and the control file.
#include "cli/cli.h"

namespace qv::cli {

int cmdInit(Context& ctx, const Args&) {
  ctx.err << "quorvane: init is not available yet\n";
  return 1;
}

}  // namespace qv::cli
