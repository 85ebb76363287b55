// Fatal messages: the pieces through the hooks or the run report, then the end.
#include "fatal.h"

#include <cstdio>

namespace {

// Text of the pieces the hooks have no overload for.
char const* as_text(fatal_piece const& p, char (&buf)[400]) {
  switch (p.what()) {
    case fatal_piece::wide: std::snprintf(buf, sizeof buf, "%lld", p.w()); return buf;
    case fatal_piece::real: std::snprintf(buf, sizeof buf, "%f", p.d()); return buf;
    case fatal_piece::newline: return "\n";
    default: return p.s();
  }
}

[[noreturn]] void through_hooks(fatal_piece const* p, std::size_t n) {
  char buf[400];  // "%f" of the largest double takes 317 characters
  if (n == 0) nerror();
  for (std::size_t k = 0; k + 1 < n; ++k) {
    if (p[k].what() == fatal_piece::number)
      nmsg(p[k].i());
    else
      nmsg(as_text(p[k], buf));
  }
  if (p[n - 1].what() == fatal_piece::newline) nerror();
  nerror(as_text(p[n - 1], buf));
}

[[noreturn]] void through_report(int status, fatal_piece const* p, std::size_t n) {
  char buf[400];
  for (std::size_t k = 0; k < n; ++k) {
    switch (p[k].what()) {
      case fatal_piece::number: sst->msg(p[k].i()); break;
      case fatal_piece::real: sst->msg(p[k].d()); break;
      case fatal_piece::newline: sst->nl(); break;
      default: sst->msg(as_text(p[k], buf));
    }
  }
  sst->kill(status);
}

}  // namespace

void fatal_pieces(int status, fatal_piece const* p, std::size_t n) {
  if (status == 1) through_hooks(p, n);
  through_report(status, p, n);
}
