// Gmsh mesh files: buffered input of text tokens and binary values, and the
// reader's fatal messages.
#ifndef GMSH_INPUT_H
#define GMSH_INPUT_H

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string_view>

namespace gmsh {

// Reads a Gmsh file through one large buffer. Text is taken as blank-
// separated tokens and lines; binary values are converted when the file's
// byte order is not the host's. The file holds at most `size` bytes, so
// counts can be checked against remaining() before anything is allocated.
// Owns the stream. Every read past the end of the file is fatal.
class input {
 public:
  input(FILE* fp, char const* name, long long size);
  ~input();
  input(input const&) = delete;
  input& operator=(input const&) = delete;

  char const* name() const { return name_; }
  long long remaining() const { return left_ + static_cast<long long>(len_ - pos_); }

  bool binary = false;                 // the file's numbers are binary (text elsewhere)
  bool swap = false;                   // binary numbers of the other byte order
  char const* section = "MeshFormat";  // named in messages

  // Skips blanks and line ends; false at the end of the file.
  bool skip_space();
  // The line from here, without its end and trailing blanks; its end is
  // consumed. Fatal beyond kLine characters.
  std::string_view line();
  // The next blank-separated token, valid until the next read. Fatal at the
  // end of the file or beyond kToken characters.
  std::string_view token();
  // Skips to after the next line end, or to the end of the file.
  void rest_of_line();
  // In a binary file, the line end right after a token: "\n" or "\r\n",
  // nothing else, since binary data starts right after it.
  void line_end();
  // From the start of a line, skips to after the line that starts with
  // `marker` followed by blanks or its end; false when no line does.
  bool skip_past_line(std::string_view marker);

  // Text numbers: the whole token, range-checked, else fatal.
  long long integer(long long lo, long long hi);
  std::uint64_t unsigned64();
  double real();

  // Binary numbers, converted to the host's byte order.
  void raw(void* dst, std::size_t n);
  int i32() {
    std::uint32_t u;
    raw(&u, 4);
    if (swap) u = __builtin_bswap32(u);
    int v;
    std::memcpy(&v, &u, 4);
    return v;
  }
  std::uint64_t u64() {
    std::uint64_t u;
    raw(&u, 8);
    return swap ? __builtin_bswap64(u) : u;
  }
  double f64() {
    std::uint64_t u = u64();
    double d;
    std::memcpy(&d, &u, 8);
    return d;
  }

  // Either form, by `binary`: an int, a size_t (8 bytes) or a double.
  int int_value(long long lo, long long hi);
  std::uint64_t size_value() { return binary ? u64() : unsigned64(); }
  double real_value() { return binary ? f64() : real(); }

  static constexpr std::size_t kToken = 128;
  static constexpr std::size_t kLine = 256;

 private:
  // At least n bytes (n up to the buffer's size) in the buffer from pos_,
  // or all the file still holds.
  void ensure(std::size_t n);
  bool is_blank(unsigned char c) const {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
  }

  static constexpr std::size_t cap_ = 1 << 20;
  FILE* fp_;
  char const* name_;
  long long left_;  // bytes of the file not yet in the buffer
  std::unique_ptr<char[]> buf_;
  std::size_t pos_ = 0, len_ = 0;
};

// Fatal messages: "Erreur de format dans la lecture de " and the file's
// name, then the detail; status 1.
[[noreturn]] void not_gmsh(input const& in);
[[noreturn]] void bad_version(input const& in, std::string_view v);
[[noreturn]] void bad_byte_order(input const& in);
[[noreturn]] void bad_number(input const& in, std::string_view tok);
// "<what> non valide dans $<section>: <v>"
[[noreturn]] void bad_value(input const& in, char const* what, long long v);
[[noreturn]] void too_long(input const& in);
[[noreturn]] void no_line_end(input const& in);
[[noreturn]] void too_short(input const& in, std::uint64_t n, char const* what);
// "<what> incoherent dans $<section>: <announced> annonces, <found> lus"
[[noreturn]] void count_mismatch(input const& in, char const* what, std::uint64_t announced,
                                 std::uint64_t found);
[[noreturn]] void stray_line(input const& in, std::string_view line);
[[noreturn]] void end_expected(input const& in);
[[noreturn]] void unterminated(input const& in, std::string_view name);
[[noreturn]] void twice(input const& in, std::string_view name);
[[noreturn]] void missing(input const& in, char const* name);
[[noreturn]] void elements_first(input const& in);
[[noreturn]] void node_twice(input const& in, std::uint64_t tag);
[[noreturn]] void bad_coordinate(input const& in, std::uint64_t tag);
[[noreturn]] void unknown_node(input const& in, std::uint64_t elem, std::uint64_t node);
[[noreturn]] void unknown_type(input const& in, int type);
[[noreturn]] void unsupported_type(input const& in, int type);
[[noreturn]] void mixed_kinds(input const& in);
[[noreturn]] void no_mesh(input const& in);
[[noreturn]] void unknown_entity(input const& in, int dim, int tag);
[[noreturn]] void entity_twice(input const& in, int dim, int tag);
[[noreturn]] void wrong_entity(input const& in, int type, int dim);

}  // namespace gmsh

#endif
