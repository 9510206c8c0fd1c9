// quorvane db: list, create, update-addresses, import allow|disallow, remove.
#include <iostream>

#include "cli/cli.h"
#include "cli/json.h"
#include "cli/session_open.h"
#include "databases/databases.h"
#include "storage/file_access.h"
#include "storage/records.h"
#include "storage/text.h"

namespace qv::cli {

namespace {

constexpr const char* kUsage =
    "usage: quorvane [--archive DIR] db list [--json]\n"
    "       quorvane [--archive DIR] db create --type forum|mail|newsgroup --name NAME "
    "[--address ADDR] [--alt ADDR]...\n"
    "       quorvane [--archive DIR] db update-addresses DB --alt ADDR...\n"
    "       quorvane [--archive DIR] db import DB allow|disallow\n"
    "       quorvane [--archive DIR] db remove DB [--yes]\n";

int usage(Context& ctx) {
  ctx.err << kUsage;
  return 2;
}

std::vector<std::string> takeAll(Args& args, const std::string& name) {
  std::vector<std::string> out;
  std::string v;
  while (takeOption(args, name, v)) out.push_back(v);
  return out;
}

// A name longer than the list holds is cut, and the tool says so.
std::string fitName(Context& ctx, const std::string& utf8) {
  std::string name = utf8ToCp1252(utf8);
  if (name.size() > 100) {
    name.resize(100);
    ctx.err << "quorvane: the name is cut to its first 100 characters: "
            << cp1252ToUtf8(trimRight(name)) << "\n";
  }
  return name;
}

int list(Context& ctx, Session& s) {
  DatabaseSelection selection(s, 0, 0);
  auto rows = selection.rows(DatabaseSelection::kByName);
  for (const SelectionRow& r : rows) {
    std::string name = cp1252ToUtf8(r.description);
    if (ctx.json) {
      ctx.out << "{\"description\": " << jsonString(name)
              << ", \"type\": " << jsonString(r.typeName)
              << ", \"directory\": " << jsonString(r.directory) << ", \"messages\": " << r.messages
              << ", \"counted\": " << jsonString(r.counted)
              << ", \"import\": " << jsonString(r.importAllowed) << ", \"id\": " << r.id << "}\n";
    } else {
      ctx.out << r.id << "  " << r.typeName << "  " << r.directory << "  " << name << "  ("
              << r.messages << " messages, counted: " << r.counted
              << ", import allowed: " << r.importAllowed << ")\n";
    }
  }
  if (!ctx.json && rows.empty()) ctx.out << "The archive has no databases yet.\n";
  return 0;
}

int create(Context& ctx, Session& s, Args& args) {
  std::string type, name, address;
  bool hasType = takeOption(args, "type", type);
  bool hasName = takeOption(args, "name", name);
  takeOption(args, "address", address);
  std::vector<std::string> alts = takeAll(args, "alt");
  if (!hasType || !hasName || !args.empty()) return usage(ctx);
  name = fitName(ctx, name);
  if (trimRight(name).empty()) {
    ctx.err << "quorvane: the database name is blank\n";
    return 1;
  }
  if (type == "mail") {
    if (trimRight(address).empty()) {
      ctx.err << "quorvane: a mail database needs its owner's default address (--address)\n";
      return 1;
    }
    if (alts.size() > 10) {
      ctx.err << "quorvane: a mail database takes at most 10 alternative addresses\n";
      return 1;
    }
    AddForumDatabase dirs(s);  // only for the next free directory number
    uint32_t dir = dirs.nextDirNumber();
    MailSetupFields f;
    f.name = name;
    f.address = utf8ToCp1252(address);
    for (size_t i = 0; i < alts.size(); ++i) f.alternatives[i] = utf8ToCp1252(alts[i]);
    uint32_t id = 0;
    std::string stored;
    if (UpDateBox(s, 1, dir, f, &id, &stored) != MailSetupResult::kSaved) {
      ctx.err << "quorvane: the mail database was not created\n";
      return 1;
    }
    ctx.out << "Created mail database " << id << " in F" << dir - 1 << ": " << cp1252ToUtf8(stored)
            << "\n";
    return 0;
  }
  uint8_t dbType = type == "forum" ? kDbForum : type == "newsgroup" ? kDbNewsgroup : 0;
  if (dbType == 0) return usage(ctx);
  AddForumDatabase add(s);
  uint32_t dir = add.nextDirNumber();
  if (!add.save(name, dbType)) {
    ctx.err << "quorvane: the database was not created\n";
    return 1;
  }
  ctx.out << "Created " << dbTypeName(dbType) << " database " << add.lastId() << " in F" << dir
          << ": " << cp1252ToUtf8(trimRight(name)) << "\n";
  return 0;
}

int updateAddresses(Context& ctx, Session& s, Args& args) {
  std::vector<std::string> alts = takeAll(args, "alt");
  if (args.size() != 1 || alts.size() > 10) return usage(ctx);
  uint32_t id = resolveDatabase(ctx, s, args[0]);
  if (id == 0) return 1;
  if (!SelectDatabase(s, id) || s.dbType != kDbMail) {
    ctx.err << "quorvane: database " << id << " is not a mail database\n";
    return 1;
  }
  StoreFile& forums = *s.file(kForums);
  MailSetupFields f;
  f.name = s.dbDescription;
  OP_CLOSE(s, 1, {kForums});
  forums.clear();
  forums.rec<Forums>().ID = id;
  if (forums.get(Forums::ForumKey) == kStoreOk)
    f.address = trimmed(forums.rec<Forums>().MAILADDRESS);
  OP_CLOSE(s, 0, {kForums});
  for (size_t i = 0; i < alts.size(); ++i) f.alternatives[i] = utf8ToCp1252(alts[i]);
  uint32_t dir = 0;
  if (UpDateBox(s, 2, dir, f) != MailSetupResult::kSaved) {
    ctx.err << "quorvane: the addresses were not changed\n";
    return 1;
  }
  ctx.out << "Alternative addresses of database " << id << " saved\n";
  return 0;
}

int importPermission(Context& ctx, Session& s, Args& args) {
  if (args.size() != 2 || (args[1] != "allow" && args[1] != "disallow")) return usage(ctx);
  uint32_t id = resolveDatabase(ctx, s, args[0]);
  if (id == 0) return 1;
  if (!SetImportAllowed(s, id, args[1] == "allow")) {
    ctx.err << "quorvane: the import permission of database " << id << " was not changed\n";
    return 1;
  }
  ctx.out << "Import into database " << id << (args[1] == "allow" ? " allowed" : " disallowed")
          << "\n";
  return 0;
}

int remove(Context& ctx, Session& s, Args& args) {
  bool yes = takeFlag(args, "yes");
  if (args.size() != 1) return usage(ctx);
  uint32_t id = resolveDatabase(ctx, s, args[0]);
  if (id == 0) return 1;
  SelectDatabase(s, id);
  if (!yes) {
    ctx.err << "Remove database " << id << " (" << cp1252ToUtf8(s.dbDescription)
            << ") with all its messages? [y/N] ";
    std::string answer;
    if (!ctx.in || !std::getline(*ctx.in, answer) ||
        (answer != "y" && answer != "Y" && answer != "yes")) {
      ctx.err << "\nquorvane: nothing removed\n";
      return 1;
    }
  }
  std::string error;
  if (!RemoveDatabase(s, id, error)) {
    ctx.err << "quorvane: " << error << "\n";
    return 1;
  }
  ctx.out << "Database " << id << " removed\n";
  return 0;
}

}  // namespace

int cmdDb(Context& ctx, const Args& argsIn) {
  Args args = argsIn;
  if (args.empty()) return usage(ctx);
  std::string sub = args[0];
  args.erase(args.begin());
  if (sub != "list" && sub != "create" && sub != "update-addresses" && sub != "import" &&
      sub != "remove")
    return usage(ctx);
  if (sub == "list" && !args.empty()) return usage(ctx);
  HeadlessRuntime runtime(&ctx.err);
  std::unique_ptr<Session> s = openSession(ctx, runtime);
  if (!s) return 1;
  {
    if (sub == "list") return list(ctx, *s);
    if (sub == "create") return create(ctx, *s, args);
    if (sub == "update-addresses") return updateAddresses(ctx, *s, args);
    if (sub == "import") return importPermission(ctx, *s, args);
    return remove(ctx, *s, args);
  }
}

}  // namespace qv::cli
