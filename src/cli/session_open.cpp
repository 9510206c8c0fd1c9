// The tool's sessions: archive check, settings, and databases named by number or name.
#include "cli/session_open.h"

#include <filesystem>

#include "databases/databases.h"
#include "storage/config.h"

namespace qv::cli {

std::unique_ptr<Session> openSession(Context& ctx, HeadlessRuntime& runtime) {
  runtime.setThrowOnStop(true);
  auto s = std::make_unique<Session>(ctx.archive, runtime);
  if (!std::filesystem::is_directory(s->archiveRoot + "/CFG")) {
    ctx.err << "quorvane: no archive in " << s->archiveRoot << " (run 'quorvane init' there)\n";
    return nullptr;
  }
  AutoPath(*s, 1);
  WSVars(*s, 1);
  Konfig(*s, 1);
  return s;
}

uint32_t resolveDatabase(Context& ctx, Session& s, const std::string& text) {
  if (!text.empty() && text.size() <= 10 &&
      text.find_first_not_of("0123456789") == std::string::npos) {
    uint32_t id = static_cast<uint32_t>(std::stoul(text));
    if (SelectDatabase(s, id)) return id;
    ctx.err << "quorvane: the database list has no database " << text << "\n";
    return 0;
  }
  ForumLookup found = ForumLup(s, text);
  if (found.found) return found.id;
  ctx.err << "quorvane: no database name begins with '" << text << "'\n";
  return 0;
}

}  // namespace qv::cli
