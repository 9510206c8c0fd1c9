// SemaFore: the library's dispatcher.
#include "app/semafore.h"

namespace qv {

int SemaFore(const SemaForeTable& table, Session& s, int code) {
  const SemaForeTable::Procedure* p = table.find(code);
  if (!p || !*p) return 0;
  (*p)(s);
  return 1;
}

}  // namespace qv
