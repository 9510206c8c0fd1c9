// quorvane config get N | config set N VALUE: one numbered setting of the archive.
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <limits>

#include "app/headless_runtime.h"
#include "cli/cli.h"
#include "cli/json.h"
#include "storage/config.h"
#include "storage/session.h"
#include "storage/settings_table.h"
#include "storage/text.h"

namespace qv::cli {

namespace {

constexpr const char* kUsage =
    "usage: quorvane [--archive DIR] config get N | config set N VALUE\n";

bool parseNumber(const std::string& text, long long low, long long high, long long& out) {
  if (text.empty()) return false;
  errno = 0;
  char* end = nullptr;
  long long v = std::strtoll(text.c_str(), &end, 10);
  if (errno != 0 || *end != '\0' || v < low || v > high) return false;
  out = v;
  return true;
}

// A value as the user reads and types it: texts in UTF-8, a font as "NAME,SIZE".
std::string shown(const SettingDef& d, const SettingValue& v) {
  switch (d.kind) {
    case SettingKind::kText:
      return cp1252ToUtf8(v.text);
    case SettingKind::kFont:
      return cp1252ToUtf8(v.text) + "," + std::to_string(v.number);
    default:
      return std::to_string(v.number);
  }
}

std::string shownJson(const SettingDef& d, const SettingValue& v) {
  std::string out = "{\"setting\": " + std::to_string(d.number);
  switch (d.kind) {
    case SettingKind::kText:
      return out + ", \"value\": " + jsonString(cp1252ToUtf8(v.text)) + "}";
    case SettingKind::kFont:
      return out + ", \"font\": " + jsonString(cp1252ToUtf8(v.text)) +
             ", \"size\": " + std::to_string(v.number) + "}";
    default:
      return out + ", \"value\": " + std::to_string(v.number) + "}";
  }
}

// Turns the typed value into the setting's value; false with `error` when it is not one.
bool parseValue(const SettingDef& d, const std::string& typed, SettingValue& v,
                std::string& error) {
  const std::string n = std::to_string(d.number);
  long long number = 0;
  switch (d.kind) {
    case SettingKind::kText:
      v.text = utf8ToCp1252(typed);
      return true;
    case SettingKind::kFont: {
      const size_t comma = typed.rfind(',');
      if (comma == std::string::npos || !parseNumber(typed.substr(comma + 1), 1, 32767, number)) {
        error = "setting " + n + " is a font: give NAME,SIZE (for example Arial,8)";
        return false;
      }
      v.text = utf8ToCp1252(typed.substr(0, comma));
      v.number = static_cast<int32_t>(number);
      return true;
    }
    default:
      if (!parseNumber(typed, std::numeric_limits<int32_t>::min(),
                       std::numeric_limits<int32_t>::max(), number)) {
        error = "setting " + n + " takes a number, not '" + typed + "'";
        return false;
      }
      v.number = static_cast<int32_t>(number);
      return true;
  }
}

int run(Context& ctx, Session& s, const Args& args) {
  long long number = 0;
  if (!parseNumber(args[1], 1, 1000, number)) {
    ctx.err << "quorvane: '" << args[1] << "' is not a setting number\n";
    return 2;
  }
  const SettingDef* d = findSetting(static_cast<int>(number));
  if (!d) {
    ctx.err << "quorvane: no setting has the number " << number << "\n";
    return 1;
  }
  std::string error;
  if (args[0] == "get") {
    SettingValue v;
    if (!getSetting(s, d->number, v, error)) {
      ctx.err << "quorvane: " << error << "\n";
      return 1;
    }
    ctx.out << (ctx.json ? shownJson(*d, v) : shown(*d, v)) << "\n";
    return 0;
  }
  SettingValue v;
  if (!parseValue(*d, args[2], v, error) || !setSetting(s, d->number, v, error)) {
    ctx.err << "quorvane: " << error << "\n";
    return 1;
  }
  ctx.out << "Setting " << d->number << " is now " << shown(*d, v) << "\n";
  return 0;
}

}  // namespace

int cmdConfig(Context& ctx, const Args& args) {
  const bool get = args.size() == 2 && args[0] == "get";
  const bool set = args.size() == 3 && args[0] == "set";
  if (!get && !set) {
    ctx.err << kUsage;
    return 2;
  }
  HeadlessRuntime runtime(&ctx.err);
  // A stop becomes this command's failure, not the end of a process that runs it in-process.
  runtime.setThrowOnStop(true);
  Session s(ctx.archive, runtime);
  if (!std::filesystem::is_directory(s.archiveRoot + "/CFG")) {
    ctx.err << "quorvane: no archive in " << s.archiveRoot << " (run 'quorvane init' there)\n";
    return 1;
  }
  try {
    return run(ctx, s, args);
  } catch (const FatalStop& stop) {
    ctx.err << stop.title << ": " << stop.text << "\n" << finalStopMessage() << "\n";
    return 3;
  }
}

}  // namespace qv::cli
