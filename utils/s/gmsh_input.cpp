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
    s += (static_cast<unsigned char>(c) < 32 || static_cast<unsigned char>(c) > 126)
             ? '?'
             : c;
  if (t.size() > 40) s += "...";
  return s;
}

std::string decimal(unsigned long long v, bool negative = false) {
  char buf[32];
  std::snprintf(buf, sizeof buf, negative ? "-%llu" : "%llu", v);
  return buf;
}

runstat& head(input const& in) {
  return mesh_io::format_error(in.name()).msg("\n");
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
    std::size_t const want =
        static_cast<std::size_t>(std::min<long long>(left_, cap_ - len_));
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
    if (avail >= marker.size() &&
        std::memcmp(b, marker.data(), marker.size()) == 0 &&
        (avail == marker.size() ||
         is_blank(static_cast<unsigned char>(b[marker.size()])))) {
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
  if (p == e || r.ec != std::errc() || r.ptr != e || v < lo || v > hi)
    bad_number(*this, t);
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
  if (p == e || r.ec != std::errc() || r.ptr != e || !std::isfinite(v))
    bad_number(*this, t);
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
  head(in).msg("Ce n'est pas un fichier Gmsh ($MeshFormat attendu)\n");
  mesh_io::stop(1);
}

void bad_version(input const& in, std::string_view v) {
  head(in).msg("Version de format non lue: ").msg(shown(v).c_str());
  sst->msg(" (2.2 ou 4.1 attendues)\n");
  mesh_io::stop(1);
}

void bad_byte_order(input const& in) {
  head(in).msg("Ordre des octets non reconnu\n");
  mesh_io::stop(1);
}

void bad_number(input const& in, std::string_view tok) {
  head(in).msg("Nombre non valide dans $").msg(in.section).msg(": ");
  sst->msg(shown(tok).c_str()).nl();
  mesh_io::stop(1);
}

void bad_value(input const& in, char const* what, long long v) {
  std::string const d = v < 0 ? decimal(0ULL - static_cast<unsigned long long>(v), true)
                              : decimal(static_cast<unsigned long long>(v));
  head(in).msg(what).msg(" non valide dans $").msg(in.section).msg(": ");
  sst->msg(d.c_str()).nl();
  mesh_io::stop(1);
}

void too_long(input const& in) {
  head(in).msg("Ligne ou nombre trop long dans $").msg(in.section).nl();
  mesh_io::stop(1);
}

void no_line_end(input const& in) {
  head(in).msg("Fin de ligne attendue dans $").msg(in.section).nl();
  mesh_io::stop(1);
}

void too_short(input const& in, std::uint64_t n, char const* what) {
  head(in).msg("Fichier trop court pour ").msg(decimal(n).c_str()).msg(" ");
  sst->msg(what).nl();
  mesh_io::stop(1);
}

void count_mismatch(input const& in, char const* what, std::uint64_t announced,
                    std::uint64_t found) {
  head(in).msg(what).msg(" incoherent dans $").msg(in.section);
  sst->msg(": ").msg(decimal(announced).c_str()).msg(" annonces, ");
  sst->msg(decimal(found).c_str()).msg(" lus\n");
  mesh_io::stop(1);
}

void stray_line(input const& in, std::string_view line) {
  head(in).msg("Ligne inattendue hors des sections: ");
  sst->msg(shown(line).c_str()).nl();
  mesh_io::stop(1);
}

void end_expected(input const& in) {
  head(in).msg("$End").msg(in.section).msg(" attendu\n");
  mesh_io::stop(1);
}

void unterminated(input const& in, std::string_view name) {
  std::string const n = shown(name);
  head(in).msg("Section $").msg(n.c_str()).msg(" sans $End").msg(n.c_str()).nl();
  mesh_io::stop(1);
}

void twice(input const& in, std::string_view name) {
  head(in).msg("Section $").msg(shown(name).c_str()).msg(" en double\n");
  mesh_io::stop(1);
}

void missing(input const& in, char const* name) {
  head(in).msg("Section $").msg(name).msg(" absente\n");
  mesh_io::stop(1);
}

void elements_first(input const& in) {
  head(in).msg("Section $Elements avant $Nodes\n");
  mesh_io::stop(1);
}

void node_twice(input const& in, std::uint64_t tag) {
  head(in).msg("Noeud ").msg(decimal(tag).c_str()).msg(" defini deux fois\n");
  mesh_io::stop(1);
}

void bad_coordinate(input const& in, std::uint64_t tag) {
  head(in).msg("Coordonnee du noeud ").msg(decimal(tag).c_str());
  sst->msg(" hors des reels simples\n");
  mesh_io::stop(1);
}

void unknown_node(input const& in, std::uint64_t elem, std::uint64_t node) {
  head(in).msg("L'element ").msg(decimal(elem).c_str()).msg(" a le noeud ");
  sst->msg(decimal(node).c_str()).msg(" inconnu\n");
  mesh_io::stop(1);
}

void unknown_type(input const& in, int type) {
  head(in).msg("Type d'element inconnu: ").msg(type).nl();
  mesh_io::stop(1);
}

void unsupported_type(input const& in, int type) {
  head(in).msg("Elements de type ").msg(type).msg(" non pris en charge");
  sst->msg(" (triangles a 3 noeuds, quadrilateres a 4 noeuds ou tetraedres");
  sst->msg(" a 4 noeuds seulement)\n");
  mesh_io::stop(1);
}

void mixed_kinds(input const& in) {
  head(in).msg("Triangles et quadrilateres melanges:");
  sst->msg(" un seul type d'element par maillage\n");
  mesh_io::stop(1);
}

void no_mesh(input const& in) {
  head(in).msg("Aucun element de surface ou de volume\n");
  mesh_io::stop(1);
}

void unknown_entity(input const& in, int dim, int tag) {
  head(in).msg("Entite de dimension ").msg(dim).msg(" et de numero ").msg(tag);
  sst->msg(" inconnue\n");
  mesh_io::stop(1);
}

void entity_twice(input const& in, int dim, int tag) {
  head(in).msg("Entite de dimension ").msg(dim).msg(" et de numero ").msg(tag);
  sst->msg(" definie deux fois\n");
  mesh_io::stop(1);
}

void wrong_entity(input const& in, int type, int dim) {
  head(in).msg("Elements de type ").msg(type).msg(" dans une entite de dimension ");
  sst->msg(dim).nl();
  mesh_io::stop(1);
}

}  // namespace gmsh
