// Gmsh files for tests: small meshes as text, their binary form, and the
// text form of a mesh that tests compare.
#ifndef GMSH_FILES_H
#define GMSH_FILES_H

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <sstream>
#include <string>

#include "maillage.h"

inline std::string section(std::string const& name, std::string const& body) {
  return "$" + name + "\n" + body + "$End" + name + "\n";
}
inline std::string const kFormat22 = section("MeshFormat", "2.2 0 8\n");
inline std::string const kFormat41 = section("MeshFormat", "4.1 0 8\n");

// The unit square as two triangles (1 2 3) and (1 3 4), without groups.
inline std::string const kSquareNodes22 =
    section("Nodes", "4\n1 0 0 0\n2 1 0 0\n3 1 1 0\n4 0 1 0\n");
inline std::string const kSquare22 =
    kFormat22 + kSquareNodes22 + section("Elements", "2\n1 2 2 0 1 1 2 3\n2 2 2 0 1 1 3 4\n");
inline std::string const kSquareNodes41 =
    section("Nodes", "1 4 1 4\n2 1 0 4\n1\n2\n3\n4\n0 0 0\n1 0 0\n1 1 0\n0 1 0\n");
inline std::string const kSquare41 =
    kFormat41 + kSquareNodes41 + section("Elements", "1 2 1 2\n2 1 2 2\n1 1 2 3\n2 1 3 4\n");

// Counts, subdomain sizes, vertices (coordinates as "%.9g", tag) and
// elements, one item a line; what tests/gmsh_meshio_check.py prints.
inline std::string mesh_text(maillage const& m) {
  std::string t;
  char buf[64];
  auto line = [&](char const* fmt, auto... v) {
    std::snprintf(buf, sizeof buf, fmt, v...);
    t += buf;
  };
  line("npt %d\nndim %d\nnelem %d\ntelem %d\nnsd %d\n", m.npt(), m.ndim(), m.nelem(), m.telem(),
       m.nsd());
  int first = 1;
  for (int k = 1; k <= m.nsd(); ++k) {
    int last = first;
    while (last <= m.nelem() && m.sd(last) == k) ++last;
    line("sd %d %d\n", k, last - first);
    first = last;
  }
  for (int i = 1; i <= m.npt(); ++i) {
    line("v %d", i);
    for (int n = 1; n <= m.ndim(); ++n) line(" %.9g", static_cast<double>(m.xn(n, i)));
    line(" %d\n", m.ref(i));
  }
  for (int e = 1; e <= m.nelem(); ++e) {
    line("e %d", e);
    for (int j = 1; j <= m.telem(); ++j) line(" %d", m.lg(e, j));
    t += "\n";
  }
  return t;
}

// The binary form of a text Gmsh file, in the host's byte order or the
// other one: numbers of $MeshFormat, $Entities (4.1), $Nodes and $Elements
// become binary, other sections are copied.
class msh_to_binary {
 public:
  msh_to_binary(std::string const& text, bool other_order) : swap_(other_order) {
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
      if (line.empty() || line[0] != '$' || line.compare(0, 4, "$End") == 0) {
        out += line + "\n";
        continue;
      }
      std::string const name = line.substr(1);
      std::string body, l;
      while (std::getline(in, l) && l != "$End" + name) body += l + "\n";
      out += line + "\n";
      std::istringstream b(body);
      if (name == "MeshFormat") {
        b >> v4_;
        out += v4_ + " 1 8\n";
        v4_ = v4_ == "4.1" ? "4" : "";
        i32(1);
      } else if (name == "Entities" && !v4_.empty()) {
        entities(b);
      } else if (name == "Nodes") {
        v4_.empty() ? nodes2(b) : nodes4(b);
      } else if (name == "Elements") {
        v4_.empty() ? elements2(b) : elements4(b);
      } else {
        out += body;
        out += "$End" + name + "\n";
        continue;
      }
      out += "\n$End" + name + "\n";
    }
  }

  std::string out;

 private:
  static int nodes_of(int type) {
    switch (type) {
      case 15: return 1;
      case 1: return 2;
      case 2:
      case 8: return 3;
      case 3:
      case 4: return 4;
      case 9:
      case 6: return 6;
      case 5: return 8;
      default: return 0;
    }
  }
  void put(std::uint64_t u, int n) {
    char c[8];
    std::memcpy(c, &u, 8);  // little-endian host
    std::string s(c, static_cast<std::size_t>(n));
    if (swap_) s = std::string(s.rbegin(), s.rend());
    out += s;
  }
  void i32(long long v) { put(static_cast<std::uint32_t>(v), 4); }
  void u64(std::uint64_t v) { put(v, 8); }
  void f64(double d) {
    std::uint64_t u;
    std::memcpy(&u, &d, 8);
    put(u, 8);
  }
  static long long i(std::istream& b) {
    long long v = 0;
    b >> v;
    return v;
  }
  static std::uint64_t u(std::istream& b) {
    std::uint64_t v = 0;
    b >> v;
    return v;
  }
  static double d(std::istream& b) {
    double v = 0;
    b >> v;
    return v;
  }

  void entities(std::istream& b) {
    std::uint64_t n[4];
    for (auto& c : n) u64(c = u(b));
    for (int dim = 0; dim < 4; ++dim)
      for (std::uint64_t k = 0; k < n[dim]; ++k) {
        i32(i(b));
        for (int r = 0; r < (dim == 0 ? 3 : 6); ++r) f64(d(b));
        std::uint64_t const np = u(b);
        u64(np);
        for (std::uint64_t j = 0; j < np; ++j) i32(i(b));
        if (dim == 0) continue;
        std::uint64_t const nb = u(b);
        u64(nb);
        for (std::uint64_t j = 0; j < nb; ++j) i32(i(b));
      }
  }
  void nodes4(std::istream& b) {
    std::uint64_t const blocks = u(b);
    u64(blocks);
    for (int k = 0; k < 3; ++k) u64(u(b));
    for (std::uint64_t k = 0; k < blocks; ++k) {
      long long const dim = i(b), tag = i(b), param = i(b);
      std::uint64_t const n = u(b);
      i32(dim), i32(tag), i32(param), u64(n);
      for (std::uint64_t j = 0; j < n; ++j) u64(u(b));
      for (std::uint64_t j = 0; j < n * (3 + (param ? dim : 0)); ++j) f64(d(b));
    }
  }
  void elements4(std::istream& b) {
    std::uint64_t const blocks = u(b);
    u64(blocks);
    for (int k = 0; k < 3; ++k) u64(u(b));
    for (std::uint64_t k = 0; k < blocks; ++k) {
      long long const dim = i(b), tag = i(b), type = i(b);
      std::uint64_t const n = u(b);
      i32(dim), i32(tag), i32(type), u64(n);
      for (std::uint64_t j = 0; j < n * (1 + nodes_of(static_cast<int>(type))); ++j) u64(u(b));
    }
  }
  void nodes2(std::istream& b) {
    std::uint64_t const n = u(b);
    out += std::to_string(n) + "\n";
    for (std::uint64_t k = 0; k < n; ++k) {
      i32(i(b));
      for (int c = 0; c < 3; ++c) f64(d(b));
    }
  }
  // One block per element: type, 1, tag count.
  void elements2(std::istream& b) {
    std::uint64_t const n = u(b);
    out += std::to_string(n) + "\n";
    for (std::uint64_t k = 0; k < n; ++k) {
      long long const tag = i(b), type = i(b), ntags = i(b);
      i32(type), i32(1), i32(ntags), i32(tag);
      for (long long j = 0; j < ntags + nodes_of(static_cast<int>(type)); ++j) i32(i(b));
    }
  }

  bool swap_;
  std::string v4_;
};

inline std::string msh_binary(std::string const& text, bool other_order = false) {
  return msh_to_binary(text, other_order).out;
}

#endif
