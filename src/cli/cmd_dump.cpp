// quorvane dump: the records of an archive file as JSON lines, in record or key order.
#include <filesystem>

#include "app/headless_runtime.h"
#include "cli/cli.h"
#include "cli/json.h"
#include "cli/session_open.h"
#include "databases/databases.h"
#include "storage/archive.h"
#include "storage/catalogue.h"
#include "storage/records.h"
#include "storage/text.h"

namespace qv::cli {

int cmdDump(Context& ctx, const Args& argsIn) {
  Args args = argsIn;
  std::string db, keyName, limitText;
  bool hasDb = takeOption(args, "db", db);
  bool hasKey = takeOption(args, "key", keyName);
  bool hasLimit = takeOption(args, "limit", limitText);
  bool reverse = takeFlag(args, "reverse");
  bool withText = takeFlag(args, "text");
  if (args.size() != 1) {
    ctx.err << "usage: quorvane [--archive DIR] dump FILE [--db ID] [--key KEYNAME] [--reverse] "
               "[--limit N] [--text]\n";
    return 2;
  }
  long long limit = -1;
  if (hasLimit) {
    try {
      limit = std::stoll(limitText);
    } catch (...) {
      limit = -2;
    }
    if (limit < 0) {
      ctx.err << "quorvane: --limit takes a whole number\n";
      return 2;
    }
  }

  const FileDef* def = nullptr;
  const std::string& name = args[0];
  if (!name.empty() && name.find_first_not_of("0123456789") == std::string::npos && name.size() < 4)
    def = fileDef(std::stoi(name));
  else
    def = fileDefByName(name);
  if (!def) {
    ctx.err << "quorvane: unknown file '" << name << "'\n";
    return 1;
  }
  if (def->kind != FileKind::kKeyed && def->kind != FileKind::kFlat) {
    ctx.err << "quorvane: file " << def->number << " (" << def->name
            << ") is another program's file, not an archive file\n";
    return 1;
  }
  int key = -1;
  if (hasKey) {
    key = def->keyIndex(keyName);
    if (key < 0) {
      ctx.err << "quorvane: " << def->name << " has no key '" << keyName << "'\n";
      return 1;
    }
  }

  HeadlessRuntime runtime(&ctx.err);
  std::unique_ptr<Session> session = openSession(ctx, runtime);
  if (!session) return 1;
  Session& s = *session;
  const bool perDatabase = def->place == Place::kDatabase || def->place == Place::kWordIndex;
  if (perDatabase) {
    if (!hasDb) {
      ctx.err << "quorvane: " << def->name << " belongs to a database: name it with --db ID\n";
      return 1;
    }
    uint32_t id = resolveDatabase(ctx, s, db);
    if (id == 0) return 1;
    SelectDatabase(s, id);
  }

  StoreFile& f = *s.file(def->number);
  f.setPath(filePath(s, def->number));
  int code = f.open(Access::kReadOnly);
  if (code != kStoreOk) {
    ctx.err << "quorvane: " << f.path() << ": " << f.errorText() << " (" << code << ")\n";
    return 1;
  }
  f.set(key);
  long long n = 0;
  while (limit < 0 || n < limit) {
    code = reverse ? f.previous() : f.next();
    if (code != kStoreOk) break;
    std::string line = recordJson(*def, f.buffer());
    if (withText && def->maxText) {
      line.pop_back();
      line += ", " + jsonString(std::string(def->prefix) + ":MSGTEXT") + ": " +
              jsonString(cp1252ToUtf8(f.text())) + "}";
    }
    ctx.out << line << "\n";
    ++n;
  }
  if (code != kStoreOk && code != kNoRecord) {
    ctx.err << "quorvane: " << f.path() << ": " << f.errorText() << " (" << code << ")\n";
    return 1;
  }
  return 0;
}

}  // namespace qv::cli
