// quorvane db list: the databases of the archive.
#include <filesystem>

#include "app/headless_runtime.h"
#include "cli/cli.h"
#include "cli/json.h"
#include "storage/archive.h"
#include "storage/records.h"
#include "storage/text.h"

namespace qv::cli {

namespace {

const char* typeName(uint8_t type) {
  switch (type) {
    case kDbForum:
      return "Forum";
    case kDbMail:
      return "Mail";
    case kDbNewsgroup:
      return "Newsgroup";
    default:
      return "Unknown";
  }
}

int list(Context& ctx) {
  HeadlessRuntime runtime(&ctx.err);
  Session s(ctx.archive, runtime);
  if (!std::filesystem::is_directory(s.archiveRoot + "/CFG")) {
    ctx.err << "quorvane: no archive in " << s.archiveRoot << " (run 'quorvane init' there)\n";
    return 1;
  }
  std::string error;
  int code = openNumbered(s, kForums, true, error);
  if (code != 0) {
    ctx.err << "quorvane: " << error << "\n";
    return 1;
  }
  StoreFile& f = *s.file(kForums);
  f.set(Forums::AlphaKey);
  int n = 0;
  while (f.next() == kStoreOk) {
    const Forums& r = f.rec<Forums>();
    std::string name = cp1252ToUtf8(trimmed(r.DESCRIPTION));
    if (ctx.json) {
      ctx.out << "{\"id\": " << r.ID << ", \"type\": " << jsonString(typeName(r.TYPE))
              << ", \"directory\": " << jsonString("F" + std::to_string(r.DIRNUMBER))
              << ", \"messages\": " << r.MSGCOUNT << ", \"name\": " << jsonString(name) << "}\n";
    } else {
      ctx.out << r.ID << "  " << typeName(r.TYPE) << "  F" << r.DIRNUMBER << "  " << name << "  ("
              << r.MSGCOUNT << " messages)\n";
    }
    ++n;
  }
  if (!ctx.json && n == 0) ctx.out << "The archive has no databases yet.\n";
  return 0;
}

}  // namespace

int cmdDb(Context& ctx, const Args& args) {
  if (args.size() == 1 && args[0] == "list") return list(ctx);
  ctx.err << "usage: quorvane [--archive DIR] db list\n";
  return 2;
}

}  // namespace qv::cli
