// The one way the library ends a run on an error: fatal(status, pieces...).
#ifndef FATAL_H
#define FATAL_H

#include <cstddef>
#include <tuple>
#include <type_traits>

#include "runstat.h"

// A newline as a piece of a message.
struct fatal_nl_t {};
inline constexpr fatal_nl_t fatal_nl{};

// One piece of a fatal message: text, a number or a newline. Other types
// (unsigned, size_t, long) do not convert: say which form you mean.
class fatal_piece {
 public:
  enum kind { text, number, wide, real, newline };
  fatal_piece(char const* s) : kind_(text), s_(s ? s : "") {}
  fatal_piece(int i) : kind_(number), i_(i) {}
  fatal_piece(long long v) : kind_(wide), w_(v) {}  // printed "%lld"
  fatal_piece(double d) : kind_(real), d_(d) {}     // printed "%f"
  fatal_piece(fatal_nl_t) : kind_(newline) {}

  kind what() const { return kind_; }
  char const* s() const { return s_; }
  int i() const { return i_; }
  long long w() const { return w_; }
  double d() const { return d_; }

 private:
  kind kind_;
  union {
    char const* s_;
    int i_;
    long long w_;
    double d_;
  };
};

// Prints the pieces and ends the run; see fatal().
[[noreturn]] void fatal_pieces(int status, fatal_piece const* p, std::size_t n);

// Prints the message made of `pieces`, in order, then ends the run with
// `status`. Exactly:
// - status 1 goes through the program's hooks: every piece but the last
//   through nmsg (an int as nmsg(int); text as nmsg(char const*); a long
//   long, a double ("%f") and fatal_nl as their text), then the last piece
//   closes the message: text through nerror(text), fatal_nl through
//   nerror(). A program with its own hooks sees those calls.
// - any other status goes through the run report: each piece through
//   sst->msg (fatal_nl through sst->nl()), then sst->kill(status).
// The last piece must be text or fatal_nl; a null text prints nothing.
template <class... P>
[[noreturn]] void fatal(int status, P const&... pieces) {
  static_assert(sizeof...(P) > 0, "a fatal message needs a piece");
  using last = std::decay_t<std::tuple_element_t<sizeof...(P) - 1, std::tuple<P...>>>;
  static_assert(std::is_same_v<last, char const*> || std::is_same_v<last, char*> ||
                    std::is_same_v<last, fatal_nl_t>,
                "a fatal message ends with text or fatal_nl");
  fatal_piece const all[] = {fatal_piece(pieces)...};
  fatal_pieces(status, all, sizeof...(P));
}

#endif
