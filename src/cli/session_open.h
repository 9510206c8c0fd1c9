// Opening a session on the tool's archive the way the program starts: paths and settings
// loaded first.
#pragma once

#include <memory>

#include "app/headless_runtime.h"
#include "cli/cli.h"
#include "storage/session.h"

namespace qv::cli {

// A session on the archive of `ctx` with the path, word index and general settings loaded,
// or nullptr after a message on ctx.err when the directory holds no archive.
std::unique_ptr<Session> openSession(Context& ctx, HeadlessRuntime& runtime);

// The database named by `text`: a database number, or a name as the lookup matches it (the
// first name that begins with the text, letter case ignored). 0 after a message on ctx.err.
uint32_t resolveDatabase(Context& ctx, Session& s, const std::string& text);

}  // namespace qv::cli
