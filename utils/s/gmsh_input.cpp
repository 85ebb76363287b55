// Gmsh files: the buffered input and every fatal message of the reader.
#include "gmsh_input.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <cmath>
#include <string>

#include "maillage_io.h"

namespace gmsh {

namespace {

// Text from the file shown in a message: printable, at most 40 characters.
std::string shown(std::string_view t) {
  std::string s;
  for (char c : t.substr(0, 40))
    s += (static_cast<unsigned char>(c) < 32 || static_cast<unsigned char>(c) > 126) ? '?' : c;
  if (t.size() > 40) s += "...";
  return s;
}

std::string decimal(unsigned long long v, bool negative = false) {
  char buf[32];
  std::snprintf(buf, sizeof buf, negative ? "-%llu" : "%llu", v);
  return buf;
}

// Every complaint names the file, then says what is wrong on a line of its own.
template <class... P>
[[noreturn]] void bad_file(input const& in, P const&... detail) {
  mesh_io::format_error(in.name(), "\n", detail...);
}

}  // namespace

input::input(FILE* fp, char const* name, long long size)
    : fp_(fp), name_(name), left_(size), buf_(new char[cap_]) {}

input::~input() { std::fclose(fp_); }

void input::ensure(std::size_t n) {
  if (len_ - pos_ >= n || left_ <= 0) return;
  std::memmove(buf_.get(), buf_.get() + pos_, len_ - pos_);
  len_ -= pos_;
  pos_ = 0;
  while (len_ < cap_ && left_ > 0) {
    std::size_t const want = static_cast<std::size_t>(std::min<long long>(left_, cap_ - len_));
    std::size_t const got = std::fread(buf_.get() + len_, 1, want, fp_);
    len_ += got;
    // A file that shrank under us ends where the reading stopped.
    left_ = got < want ? 0 : left_ - static_cast<long long>(got);
  }
}

bool input::skip_space() {
  for (;;) {
    char const* b = buf_.get();
    while (pos_ < len_ && is_blank(static_cast<unsigned char>(b[pos_]))) ++pos_;
    if (pos_ < len_) return true;
    ensure(1);
    if (pos_ == len_) return false;
  }
}

std::string_view input::line() {
  ensure(kLine + 2);
  char const* b = buf_.get() + pos_;
  std::size_t const avail = len_ - pos_;
  std::size_t const look = std::min(avail, kLine + 2);
  void const* nl = std::memchr(b, '\n', look);
  std::size_t n;
  if (nl != nullptr) {
    n = static_cast<std::size_t>(static_cast<char const*>(nl) - b);
    pos_ += n + 1;
  } else if (avail <= kLine) {  // the file's last line
    n = avail;
    pos_ += n;
  } else {
    too_long(*this);
  }
  while (n > 0 && is_blank(static_cast<unsigned char>(b[n - 1]))) --n;
  if (n > kLine) too_long(*this);
  return std::string_view(b, n);
}

std::string_view input::token() {
  if (!skip_space()) mesh_io::truncated(name_);
  ensure(kToken + 1);
  char const* b = buf_.get();
  std::size_t i = pos_;
  std::size_t const stop = std::min(len_, pos_ + kToken + 1);
  while (i < stop && !is_blank(static_cast<unsigned char>(b[i]))) ++i;
  if (i - pos_ > kToken) too_long(*this);
  std::string_view t(b + pos_, i - pos_);
  pos_ = i;
  return t;
}

void input::rest_of_line() {
  for (;;) {
    char const* b = buf_.get() + pos_;
    void const* nl = std::memchr(b, '\n', len_ - pos_);
    if (nl != nullptr) {
      pos_ += static_cast<std::size_t>(static_cast<char const*>(nl) - b) + 1;
      return;
    }
    pos_ = len_;
    ensure(1);
    if (pos_ == len_) return;
  }
}

void input::line_end() {
  ensure(2);
  char const* b = buf_.get() + pos_;
  std::size_t const avail = len_ - pos_;
  if (avail >= 1 && b[0] == '\n') {
    pos_ += 1;
  } else if (avail >= 2 && b[0] == '\r' && b[1] == '\n') {
    pos_ += 2;
  } else {
    no_line_end(*this);
  }
}

bool input::skip_past_line(std::string_view marker) {
  // At the start of a line here, every time round.
  for (;;) {
    ensure(marker.size() + 1);
    char const* b = buf_.get() + pos_;
    std::size_t const avail = len_ - pos_;
    if (avail >= marker.size() && std::memcmp(b, marker.data(), marker.size()) == 0 &&
        (avail == marker.size() || is_blank(static_cast<unsigned char>(b[marker.size()])))) {
      pos_ += marker.size();
      rest_of_line();
      return true;
    }
    if (avail == 0) return false;
    rest_of_line();
  }
}

long long input::integer(long long lo, long long hi) {
  std::string_view t = token();
  char const* p = t.data();
  char const* e = p + t.size();
  if (p != e && *p == '+') ++p;
  long long v = 0;
  auto r = std::from_chars(p, e, v);
  if (p == e || r.ec != std::errc() || r.ptr != e || v < lo || v > hi) bad_number(*this, t);
  return v;
}

std::uint64_t input::unsigned64() {
  std::string_view t = token();
  char const* p = t.data();
  char const* e = p + t.size();
  if (p != e && *p == '+') ++p;
  std::uint64_t v = 0;
  // from_chars takes no sign for unsigned values: "-1" is refused here.
  auto r = std::from_chars(p, e, v);
  if (p == e || r.ec != std::errc() || r.ptr != e) bad_number(*this, t);
  return v;
}

double input::real() {
  std::string_view t = token();
  char const* p = t.data();
  char const* e = p + t.size();
  if (p != e && *p == '+' && e - p > 1 && p[1] != '-') ++p;
  double v = 0;
  auto r = std::from_chars(p, e, v);
  if (p == e || r.ec != std::errc() || r.ptr != e || !std::isfinite(v)) bad_number(*this, t);
  return v;
}

void input::raw(void* dst, std::size_t n) {
  char* d = static_cast<char*>(dst);
  while (n > 0) {
    if (pos_ == len_) {
      ensure(1);
      if (pos_ == len_) mesh_io::truncated(name_);
    }
    std::size_t const k = std::min(n, len_ - pos_);
    std::memcpy(d, buf_.get() + pos_, k);
    pos_ += k;
    d += k;
    n -= k;
  }
}

int input::int_value(long long lo, long long hi) {
  if (!binary) return static_cast<int>(integer(lo, hi));
  int const v = i32();
  if (v < lo || v > hi) bad_number(*this, std::to_string(v));
  return v;
}

// ---------------------------------------------------------------- messages

void not_gmsh(input const& in) {
  bad_file(in, "Ce n'est pas un fichier Gmsh ($MeshFormat attendu)\n");
}

void bad_version(input const& in, std::string_view v) {
  bad_file(in, "Version de format non lue: ", shown(v).c_str(), " (2.2 ou 4.1 attendues)\n");
}

void bad_byte_order(input const& in) { bad_file(in, "Ordre des octets non reconnu\n"); }

void bad_number(input const& in, std::string_view tok) {
  bad_file(in, "Nombre non valide dans $", in.section, ": ", shown(tok).c_str(), fatal_nl);
}

void bad_value(input const& in, char const* what, long long v) {
  std::string const d = v < 0 ? decimal(0ULL - static_cast<unsigned long long>(v), true)
                              : decimal(static_cast<unsigned long long>(v));
  bad_file(in, what, " non valide dans $", in.section, ": ", d.c_str(), fatal_nl);
}

void too_long(input const& in) {
  bad_file(in, "Ligne ou nombre trop long dans $", in.section, fatal_nl);
}

void no_line_end(input const& in) {
  bad_file(in, "Fin de ligne attendue dans $", in.section, fatal_nl);
}

void too_short(input const& in, std::uint64_t n, char const* what) {
  bad_file(in, "Fichier trop court pour ", decimal(n).c_str(), " ", what, fatal_nl);
}

void count_mismatch(input const& in, char const* what, std::uint64_t announced,
                    std::uint64_t found) {
  bad_file(in, what, " incoherent dans $", in.section, ": ", decimal(announced).c_str(),
           " annonces, ", decimal(found).c_str(), " lus\n");
}

void stray_line(input const& in, std::string_view line) {
  bad_file(in, "Ligne inattendue hors des sections: ", shown(line).c_str(), fatal_nl);
}

void end_expected(input const& in) { bad_file(in, "$End", in.section, " attendu\n"); }

void unterminated(input const& in, std::string_view name) {
  std::string const n = shown(name);
  bad_file(in, "Section $", n.c_str(), " sans $End", n.c_str(), fatal_nl);
}

void twice(input const& in, std::string_view name) {
  bad_file(in, "Section $", shown(name).c_str(), " en double\n");
}

void missing(input const& in, char const* name) { bad_file(in, "Section $", name, " absente\n"); }

void elements_first(input const& in) { bad_file(in, "Section $Elements avant $Nodes\n"); }

void node_twice(input const& in, std::uint64_t tag) {
  bad_file(in, "Noeud ", decimal(tag).c_str(), " defini deux fois\n");
}

void bad_coordinate(input const& in, std::uint64_t tag) {
  bad_file(in, "Coordonnee du noeud ", decimal(tag).c_str(), " hors des reels simples\n");
}

void unknown_node(input const& in, std::uint64_t elem, std::uint64_t node) {
  bad_file(in, "L'element ", decimal(elem).c_str(), " a le noeud ", decimal(node).c_str(),
           " inconnu\n");
}

void unknown_type(input const& in, int type) {
  bad_file(in, "Type d'element inconnu: ", type, fatal_nl);
}

void unsupported_type(input const& in, int type) {
  bad_file(in, "Elements de type ", type, " non pris en charge",
           " (triangles a 3 noeuds, quadrilateres a 4 noeuds ou tetraedres",
           " a 4 noeuds seulement)\n");
}

void mixed_kinds(input const& in) {
  bad_file(in, "Triangles et quadrilateres melanges:", " un seul type d'element par maillage\n");
}

void no_mesh(input const& in) { bad_file(in, "Aucun element de surface ou de volume\n"); }

void unknown_entity(input const& in, int dim, int tag) {
  bad_file(in, "Entite de dimension ", dim, " et de numero ", tag, " inconnue\n");
}

void entity_twice(input const& in, int dim, int tag) {
  bad_file(in, "Entite de dimension ", dim, " et de numero ", tag, " definie deux fois\n");
}

void wrong_entity(input const& in, int type, int dim) {
  bad_file(in, "Elements de type ", type, " dans une entite de dimension ", dim, fatal_nl);
}

}  // namespace gmsh
